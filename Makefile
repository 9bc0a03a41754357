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

# The setup program and the portable zip, into build/dist.
.PHONY: dist
dist: build
	cmake --build --preset win32 --target dist
	@v=$$(sed -n 's/^BLIMO_VERSION:STRING=//p' $(BUILD_DIR)/CMakeCache.txt) && mkdir -p build/dist && \
	  cp $(BUILD_DIR)/dist/BLIMO-$$v-setup.exe $(BUILD_DIR)/dist/BLIMO-$$v-portable.zip build/dist/ && \
	  ls -l build/dist/BLIMO-$$v-*

# Figures: sizes, start-up, idle CPU, switch cost, download speed, each next to its floor.
.PHONY: bench
bench: build
	BLIMO_SOURCE_DIR=$(CURDIR) scripts/xvfb-session scripts/bench

# The whole fault suite at full size (`make test` runs a fast subset of it).
.PHONY: faults
faults: build
	BLIMO_FULL_FAULTS=1 scripts/xvfb-session ctest --preset win32

# Pictures of the running program for the README, into docs/screenshots: at 96 DPI, and About,
# Options and the update dialog at 144 DPI (dpi144-*.png). Their Wine prefix is their own.
.PHONY: screenshots
screenshots: build
	WINEPREFIX=$(BLIMO_BUILD_DIR)/wineprefix-shots scripts/xvfb-session scripts/screenshots --dpi 144
	WINEPREFIX=$(BLIMO_BUILD_DIR)/wineprefix-shots scripts/xvfb-session scripts/screenshots
