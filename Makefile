# The front door: `make run` starts BLIMO, `make test` runs every test. Both set up the machine
# and build first. The build is the 32-bit program as shipped (preset win32); on a machine whose
# kernel cannot start 32-bit programs, the same sources built for 64-bit Windows (preset win64),
# which is what runs there (scripts/preset decides).
PRESET = $(shell scripts/preset)
export BLIMO_BUILD_DIR = $(CURDIR)/build/$(PRESET)

.PHONY: setup build run test clean

setup:
	@scripts/setup

build: setup
	@[ -f $(BLIMO_BUILD_DIR)/CMakeCache.txt ] || cmake --preset $(PRESET)
	cmake --build --preset $(PRESET)
	@# Where the tests run the 64-bit build, the program as shipped is still built, so it still compiles.
	@[ $(PRESET) = win32 ] || { [ -f build/win32/CMakeCache.txt ] || cmake --preset win32 >/dev/null; \
	  cmake --build --preset win32 --target BLIMO; }

run: build
	scripts/run

test: build
	scripts/xvfb-session ctest --preset $(PRESET)

clean:
	rm -rf build

# The setup program, the Windows Installer package, the portable zip and the administrative templates of the
# 32-bit program, with the winget manifests, into build/dist. Signed when BLIMO_SIGN_PFX names a certificate
# (in the environment, or in the build's CMake cache); the environment's is taken into the cache here.
.PHONY: dist
dist: setup
	@[ -f build/win32/CMakeCache.txt ] && [ -z "$$BLIMO_SIGN_PFX" ] || cmake --preset win32 >/dev/null
	cmake --build --preset win32 --target dist
	@v=$$(sed -n 's/^BLIMO_VERSION:STRING=//p' build/win32/CMakeCache.txt) && mkdir -p build/dist/en-US && \
	  cd build/win32/dist && cp BLIMO-$$v-setup.exe BLIMO-$$v.msi BLIMO-$$v-portable.zip Fenwa.BLIMO*.yaml \
	    BLIMO.admx ../../dist/ && cp en-US/BLIMO.adml ../../dist/en-US/ && \
	  cd ../../dist && ls -l BLIMO-$$v* BLIMO.admx en-US/BLIMO.adml

# Figures: sizes, start-up, idle CPU, switch cost, download speed, each next to its floor.
.PHONY: bench
bench: build
	BLIMO_SOURCE_DIR=$(CURDIR) scripts/xvfb-session scripts/bench

# Pictures of the running program for the README, into docs/screenshots: at 96 DPI, and About,
# Options and the update dialog at 144 and 192 DPI (dpi144-*.png, dpi192-*.png), the notification
# area at each. Their Wine prefix is their own.
.PHONY: screenshots
screenshots: build
	WINEPREFIX=$(BLIMO_BUILD_DIR)/wineprefix-shots scripts/xvfb-session scripts/screenshots --dpi 192
	WINEPREFIX=$(BLIMO_BUILD_DIR)/wineprefix-shots scripts/xvfb-session scripts/screenshots --dpi 144
	WINEPREFIX=$(BLIMO_BUILD_DIR)/wineprefix-shots scripts/xvfb-session scripts/screenshots
