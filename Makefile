# The front door: `make test` installs what is missing, builds every preset and runs every test.
PRESETS := linux asan windows fuzz
# Each fuzz target's share of `make test`; `make fuzz FUZZ_SECONDS=3600` runs longer.
FUZZ_SECONDS ?= 30

.PHONY: all deps build test fuzz bench format clean demo package

all: build

deps:
	@scripts/install-deps.sh

build: $(addprefix build-,$(PRESETS))

build-fuzz: CONFIGURE_FLAGS = -DQUORVEX_FUZZ_SECONDS=$(FUZZ_SECONDS)

$(addprefix build-,$(PRESETS) bench): build-%: deps
	@cmake --preset $* $(CONFIGURE_FLAGS) >/dev/null
	@cmake --build --preset $*

$(addprefix test-,$(PRESETS)): test-%: build-%
	@ctest --preset $*

test: $(addprefix test-,$(PRESETS))

fuzz: FUZZ_SECONDS = 600
fuzz: test-fuzz

# The core's Google Benchmarks, then the Linux program's end-to-end figures into
# bench/RESULTS.md; `make bench BENCH_SECONDS=10` shortens the line-rate and idle runs.
BENCH_SECONDS ?= 60
bench: build-bench build-windows
	@build/bench/bench/quorvex_core_bench --benchmark_out=build/bench/core.json \
		--benchmark_out_format=json
	@/usr/bin/python3 -B bench/linux/figures.py --build build/bench \
		--line-seconds $(BENCH_SECONDS) --idle-seconds $(BENCH_SECONDS) \
		--core-json build/bench/core.json

# The real Linux program over a demo window, with a scripted controller; INTERACTIVE=1
# leaves it running on your display.
demo: build-linux
	@/usr/bin/python3 -B scripts/demo.py $(if $(INTERACTIVE),--interactive)

# build/linux/packages/*.deb and build/windows/packages/*.zip
package: build-linux build-windows
	@cd build/linux && cpack
	@cd build/windows && cpack

format:
	@clang-format -i $$(git ls-files '*.c' '*.cpp' '*.h')

clean:
	rm -rf build
