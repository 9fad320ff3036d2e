# The front door. `make test` and `make run` install what is missing
# (Debian packages, the cross-built libjpeg), configure, build and then test
# or run. Everything else is CMake (see CMakePresets.json).

SHELL := /bin/bash
JOBS ?= 2
WINEPREFIX_DIR := $(CURDIR)/build/windows/wineprefix
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"

.PHONY: all setup libjpeg native native-asan windows test test-native test-asan test-windows \
        run format assets clean

all: native windows

setup:
	@bash tools/setup.sh

libjpeg: setup
	@bash tools/build-libjpeg.sh

native: setup
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

native-asan: setup
	cmake --preset native-asan >/dev/null
	cmake --build --preset native-asan -j $(JOBS)

windows: libjpeg
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

test-native: native
	ctest --preset native

test-asan: native-asan
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset native-asan

# Windows test programs run under Wine on a private X server; the Wine
# server kept alive for the run is stopped afterwards.
test-windows: windows
	@status=0; $(XVFB) ctest --preset windows || status=$$?; \
	WINEPREFIX=$(WINEPREFIX_DIR) wineserver -k >/dev/null 2>&1 || true; \
	exit $$status

test: native native-asan windows
	$(MAKE) --no-print-directory test-native test-asan test-windows

run: native windows
	@mkdir -p build/run
	build/native/tools/render/avrel-render picture 1000 build/run/1000.bmp
	@echo "Avrel.scr: $$(ls -l build/windows/shell/Avrel.scr | awk '{print $$5}') bytes;" \
	      "first picture written to build/run/1000.bmp"

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# Regenerates the pictures, palette, colour table and test data.
assets:
	/usr/bin/python3 tools/gen_assets.py
	/usr/bin/python3 tools/gen_testdata.py

clean:
	rm -rf build
