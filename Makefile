# The two commands: `make run` and `make test`.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS = -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
ifeq ($(CI),true)
CMAKE_FLAGS += -DWB_WERROR=ON
endif

.PHONY: all bootstrap configure build test medium clean

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

clean:
	rm -rf $(BUILD)
