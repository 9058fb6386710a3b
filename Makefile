# The front door: `make test` installs what is missing, builds every preset and runs every test.
PRESETS := linux asan windows

.PHONY: all deps build test format bench clean $(addprefix build-,$(PRESETS)) $(addprefix test-,$(PRESETS))

all: build

deps:
	@scripts/install-deps.sh

build: $(addprefix build-,$(PRESETS))

$(addprefix build-,$(PRESETS)): build-%: deps
	@cmake --preset $* >/dev/null
	@cmake --build --preset $*

$(addprefix test-,$(PRESETS)): test-%: build-%
	@ctest --preset $*

test: $(addprefix test-,$(PRESETS))

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
