# The two commands: `make run` and `make test`.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS = -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
ifeq ($(CI),true)
CMAKE_FLAGS += -DWB_WERROR=ON
endif

.PHONY: all bootstrap configure build test medium run screenshots bench fuzz clean

all: build

bootstrap:
	@tools/bootstrap.sh

configure: bootstrap
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	cmake --build $(BUILD) -j$(JOBS)

medium: configure
	cmake --build $(BUILD) -j$(JOBS) --target medium

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# Benchmarks (not part of the default build or the tests): builds them and
# runs every bench/run_*.sh on a quiet machine.
bench: configure
	cmake --build $(BUILD) -j$(JOBS) --target benches
	bench/run.sh $(BUILD)

# The damaged-input tests with many more seeds than the suite runs, and the
# failing-write tests, in a checked build of their own (FUZZ_BUILD).
FUZZ_BUILD ?= build-checked
FUZZ_TESTS = mutation|fuzz|faults|test_catalogue|test_sortbook|test_listops|test_wordlist
fuzz:
	$(MAKE) configure BUILD=$(FUZZ_BUILD) CMAKE_FLAGS="$(CMAKE_FLAGS) -DWB_CHECKED=ON"
	cmake --build $(FUZZ_BUILD) -j$(JOBS)
	cd $(FUZZ_BUILD) && WB_FUZZ_ROUNDS=$${WB_FUZZ_ROUNDS:-20} ctest --output-on-failure -j$(JOBS) -R '$(FUZZ_TESTS)'

run: build
	tools/run.sh $(BUILD)

# PNGs of the window states the tests reach, in $(BUILD)/screenshots.
screenshots: build
	cd $(BUILD) && ctest -R '_gui|_e2e' -j$(JOBS)
	@for f in $(BUILD)/screenshots/*.bmp; do [ -f "$$f" ] && /usr/bin/convert "$$f" "$${f%.bmp}.png" && rm "$$f"; done; true
	@ls $(BUILD)/screenshots

clean:
	rm -rf $(BUILD)
