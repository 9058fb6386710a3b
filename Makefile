# The front door: `make test` installs what is missing, builds every preset and runs
# every test. Each command installs only what it needs (scripts/install-deps.sh);
# QUORVEX_NO_INSTALL=1 installs nothing.
PRESETS := linux asan windows fuzz
# Each fuzz target's share of `make test`; `make fuzz FUZZ_SECONDS=3600` runs longer.
FUZZ_SECONDS ?= 30
INSTALL := scripts/install-deps.sh

# Builds say nothing but warnings and errors (the presets turn CMake's progress off).
MAKEFLAGS += --no-print-directory
# One apt at a time, and each command's packages before its builds.
.NOTPARALLEL:

.PHONY: all help deps build test fuzz bench format clean demo package program

all: build

# One line a target; `make` alone builds every preset.
help:
	@echo "make demo      build the Linux program and run the scripted demo (INTERACTIVE=1: stay on; WINDOW=1: following a window)"
	@echo "make program   only the Linux program and its tools: build/linux/"
	@echo "make test      build every preset and run every test (about 10 minutes)"
	@echo "make build     build every preset: $(PRESETS)"
	@echo "make package   the Debian package, the Windows zip and the Windows installer (.msi)"
	@echo "make bench     the benchmarks, written to bench/RESULTS.md"
	@echo "make fuzz      the fuzz targets, for longer (FUZZ_SECONDS=$(FUZZ_SECONDS) a target)"
	@echo "make format    clang-format the sources"
	@echo "make deps      install every Debian package the tests need"
	@echo "make clean     remove build/"
	@echo "QUORVEX_NO_INSTALL=1 installs nothing; scripts/install-deps.sh --list GROUP names a group."

deps:
	@$(INSTALL) test

# Which group of packages a build installs: the command's that asked for it, else the
# preset's own. The program alone and its packages need no GoogleTest.
NEEDS =
TESTS = ON
build test fuzz: NEEDS = test
demo: NEEDS = demo
bench: NEEDS = bench
package: NEEDS = package
program: NEEDS = program
package program: TESTS = OFF

build: $(addprefix build-,$(PRESETS))

build-fuzz: CONFIGURE_FLAGS = -DQUORVEX_FUZZ_SECONDS=$(FUZZ_SECONDS)
build-linux build-asan build-windows: CONFIGURE_FLAGS = -DQUORVEX_TESTS=$(TESTS)

# A line a stage: a first build is a silent minute or more otherwise.
$(addprefix build-,$(PRESETS) bench):
	@echo "quorvex: checking the Debian packages for $(or $(NEEDS),$(patsubst build-%,%,$@))"
	@$(INSTALL) $(or $(NEEDS),$(patsubst build-%,%,$@))
	@echo "quorvex: configuring build/$(patsubst build-%,%,$@)"
	@cmake --preset $(patsubst build-%,%,$@) $(CONFIGURE_FLAGS) >/dev/null
	@echo "quorvex: building build/$(patsubst build-%,%,$@) (a first build takes a minute or more)"
	@cmake --build --preset $(patsubst build-%,%,$@)

$(addprefix test-,$(PRESETS)): test-%: build-%
	@ctest --preset $*

test: $(addprefix test-,$(PRESETS))

fuzz: FUZZ_SECONDS = 600
fuzz: test-fuzz

# The core's Google Benchmarks, then the Linux program's end-to-end figures into
# bench/RESULTS.md, a lost line's return (RECONNECT) and the heartbeat's cost;
# `make bench BENCH_SECONDS=10`
# shortens the line-rate and idle runs.
BENCH_SECONDS ?= 60
bench: build-bench build-windows build-linux
	@build/bench/bench/quorvex_core_bench --benchmark_out=build/bench/core.json \
		--benchmark_out_format=json
	@/usr/bin/python3 -B bench/linux/figures.py --build build/bench \
		--line-seconds $(BENCH_SECONDS) --idle-seconds $(BENCH_SECONDS) \
		--core-json build/bench/core.json
	@/usr/bin/python3 -B bench/linux/reconnect.py --build build/bench
	@/usr/bin/python3 -B bench/linux/heartbeat.py --build build/bench

# The real Linux program over a demo window, with a scripted controller; INTERACTIVE=1
# leaves it running on your display.
demo: build-linux
	@echo "quorvex: running the demo"
	@/usr/bin/python3 -B scripts/demo.py $(if $(INTERACTIVE),--interactive) \
		$(if $(WINDOW),--window)

# build/linux/quorvex and build/linux/quorvex-controller, nothing else.
program: build-linux

# build/linux/packages/*.deb, build/windows/packages/*.zip and *.msi
package: build-linux build-windows
	@cd build/linux && cpack
	@cd build/windows && cpack
	@cmake --build --preset windows --target msi

format:
	@$(INSTALL) format
	@clang-format -i $$(git ls-files '*.c' '*.cpp' '*.h')

clean:
	rm -rf build
