# The front door: `make run` starts BLIMO, `make test` runs every test. Both set up the machine
# and build first.
BUILD_DIR := build/win32
export BLIMO_BUILD_DIR := $(abspath $(BUILD_DIR))

.PHONY: setup build run test clean

setup:
	@scripts/setup

$(BUILD_DIR)/CMakeCache.txt:
	cmake --preset win32

build: setup $(BUILD_DIR)/CMakeCache.txt
	cmake --build --preset win32

run: build
	scripts/run

test: build
	scripts/xvfb-session ctest --preset win32

clean:
	rm -rf build
