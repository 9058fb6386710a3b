# The front door: `make test` installs what is missing, builds every preset and runs every test.
PRESETS := linux asan windows fuzz
# Each fuzz target's share of `make test`; `make fuzz FUZZ_SECONDS=3600` runs longer.
FUZZ_SECONDS ?= 30

.PHONY: all deps build test fuzz bench format clean

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

bench: build-bench
	@build/bench/bench/quorvex_core_bench

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
