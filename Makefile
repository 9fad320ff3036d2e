# The front door. `make test` and `make run` install what is missing
# (Debian packages, the cross-built libjpeg), configure, build and then test
# or run. Everything else is CMake (see CMakePresets.json); how to measure
# and profile is in HACKING.md.

SHELL := /bin/bash
JOBS ?= 2
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"
# Every script runs through tools/py, which alone knows the modules' path.
PY := tools/py
# ccache never rewrites the compilers' paths (even where its own settings
# name a base folder): with relative paths in a compiler's arguments the
# programs' debug information, and so their build ID, would depend on
# whether an object came from the cache, and the packages would not build
# the same twice. -ffile-prefix-map keeps the absolute ones out of the
# programs.
export CCACHE_BASEDIR :=
# A miss then costs one compiler run instead of two (the preprocessor's
# first): a tenth of a fresh build, half of it for emscripten, whose every
# run starts Python and node.
export CCACHE_DEPEND := 1

# Whether this machine runs 32-bit Windows programs (some kernels cannot):
# asked once, when a recipe first needs it, after setup has installed Wine.
# Where it cannot, the 64-bit twin of Avrel.scr stands in for the product.
WIN32_RUNS = $(eval WIN32_RUNS := $(shell tools/build/win32-runs.sh && echo yes))$(WIN32_RUNS)
WINE_PRESET = $(if $(WIN32_RUNS),windows,windows64)
WINE_ARCH = $(if $(WIN32_RUNS),win32,win64)
FALLBACK_NOTE = $(if $(WIN32_RUNS),,echo "$@: this kernel cannot run 32-bit programs; using the 64-bit twin";)

.PHONY: all setup libjpeg libjpeg64 native native-asan windows windows64 test test-native \
        test-asan test-windows test-e2e run format assets custom clean play install-linux \
        dist fuzz soak soak-live tsan bench-peers web test-web test-times

all: native windows

setup:
	@bash tools/build/setup.sh

libjpeg: setup
	@bash tools/build/build-libjpeg.sh i686

libjpeg64: setup
	@bash tools/build/build-libjpeg.sh x86_64

native: setup
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

native-asan: setup
	cmake --preset native-asan >/dev/null
	cmake --build --preset native-asan -j $(JOBS)

windows: libjpeg
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

# The same sources for 64-bit Windows: where the kernel cannot run 32-bit
# programs (so 32-bit Wine cannot start), the Windows tests run from here.
windows64: libjpeg64
	cmake --preset windows64 >/dev/null
	cmake --build --preset windows64 -j $(JOBS)

# The show in a browser page: build/web/avrel.html, one file that plays
# from disk or from any static server (WebAssembly by Debian's emscripten,
# with libjpeg and the photo libraries of its maker built for it once into
# .cache from Debian's source packages). It carries the product build's
# Avrel.scr, from which it writes personal ones: the Windows build comes
# first.
web: setup windows
	bash tools/build/build-wasm-libs.sh
	cmake --preset web >/dev/null
	cmake --build --preset web -j $(JOBS)

# avrel.html in headless Chromium, from disk and from a loopback server,
# against what avrel-render draws of the same show and a personal saver's
# second pass (about three minutes), then the show of a person's photos
# made in it against avrel-custom's of the same photos (about 40 s).
test-web: web native
	$(PY) tests/web/web_page_test.py --page build/web/avrel.html \
	    --render build/native/render/avrel-render --screenshot build/web/screenshot.png \
	    --custom build/native/custom/avrel-custom --base build/windows/shell/Avrel.scr
	$(PY) tests/web/web_photos_test.py \
	    --page build/web/avrel.html --render build/native/render/avrel-render \
	    --custom build/native/custom/avrel-custom --scr build/windows/shell/Avrel.scr \
	    --screenshot build/web/screenshot-maker.png

test-native: native
	ctest --preset native

test-asan: native-asan
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset native-asan

# Windows test programs run under Wine on a private X server: the product's
# 32-bit build where this machine can run 32-bit programs, otherwise its
# 64-bit twin. The Wine servers kept alive for the run are stopped afterwards.
test-windows: setup
	@$(FALLBACK_NOTE) $(MAKE) --no-print-directory $(WINE_PRESET) native && status=0; \
	$(XVFB) ctest --preset $(WINE_PRESET) || status=$$?; \
	WINEPREFIX="$(CURDIR)/build/$(WINE_PRESET)/wineprefix" \
	    /usr/lib/wine/wineserver$(if $(WIN32_RUNS),,64) -k >/dev/null 2>&1 || true; \
	exit $$status

# Every build and every test, with the cores kept busy: builds and CPU-bound
# tests one after another, tests that mostly wait beside them, and tests
# that need the machine to themselves last (tools/build/test_all.py).
# build/test-times.txt says where the time went; `make test-times` prints it.
test: setup
	@$(PY) tools/build/test_all.py

test-times:
	@cat build/test-times.txt 2>/dev/null || echo "no build/test-times.txt yet: make test writes it"

# Plays the saver under Wine: on $$DISPLAY when there is one, otherwise on a
# private Xvfb, saving a few screenshots to build/run. Where this kernel
# cannot run 32-bit programs, the 64-bit twin of Avrel.scr plays instead.
run: setup
	@$(FALLBACK_NOTE) $(MAKE) --no-print-directory $(WINE_PRESET) && \
	$(PY) tools/session/play.py saver --program build/$(WINE_PRESET)/shell/Avrel.scr \
	    --prefix build/run/wineprefix-$(WINE_ARCH) --arch $(WINE_ARCH) --out build/run

# Plays the Linux program avrel: on $DISPLAY when there is one, otherwise on
# a private Xvfb, saving a few screenshots to build/play.
play: native
	@$(PY) tools/session/play.py avrel --program build/native/linux/avrel --out build/play

# avrel beside xscreensaver's slidescreen and popsquares, each on a private
# Xvfb of its own, side by side, at 1920 x 1080 and at 2560 x 1440, for
# PEER_SECONDS (default 120) after a 5 s start-up: CPU of each program and of
# its X server, peak memory, and the ratio to slidescreen, printed and
# written to build/bench-peers.txt. PEER_BASELINE=FILE runs another avrel
# (an earlier build) beside them.
PEER_SECONDS ?= 120
bench-peers: native
	$(PY) tools/measure/bench_peers.py --program build/native/linux/avrel \
	    --seconds $(PEER_SECONDS) --out build/bench-peers.txt \
	    $(if $(PEER_BASELINE),--baseline "$(PEER_BASELINE)")

# Installs avrel for xscreensaver: the program, its settings description and
# its man page, and avrel-custom with its man page, under PREFIX (default
# /usr), staged under DESTDIR if given; with the Windows build's Avrel.scr,
# which avrel-custom starts from, where that is built (make windows).
PREFIX ?= /usr
install-linux: native
	DESTDIR="$(DESTDIR)" cmake --install build/native --prefix $(PREFIX) --component avrel --strip
	@if [ -f build/windows/shell/Avrel.scr ]; then \
	    DESTDIR="$(DESTDIR)" cmake --install build/native --prefix $(PREFIX) \
	        --component shipped_program; \
	else \
	    echo "install-linux: build/windows/shell/Avrel.scr is not built (make windows);" \
	         "avrel-custom will need --scr"; \
	fi

# Only the end-to-end tests of Avrel.scr (each starts its own Xvfb); `make
# test` runs them too, through CTest.
test-e2e: setup
	@$(FALLBACK_NOTE) $(MAKE) --no-print-directory $(WINE_PRESET) native && \
	ctest --preset $(WINE_PRESET) -R '^e2e_'

# Releases: the Windows zip (the 32-bit product), the Debian package of
# the Linux player and the web page, with SHA256SUMS, in build/dist.
dist: native windows web
	@bash tools/build/dist.sh build/dist

# Every fuzz target for FUZZ_SECONDS each (default 300), one after another,
# with libjpeg built from source and instrumented like the targets;
# new finds are merged into fuzz/corpus, crash inputs saved in fuzz/crashes.
# `make test` replays both.
FUZZ_SECONDS ?= 300
fuzz: setup
	bash tools/build/build-libjpeg.sh fuzz
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash tools/build/fuzz.sh

# 20 passes of the show (28 minutes of show time) on the virtual clock under
# AddressSanitizer and LeakSanitizer; the figures of every pass go to
# build/soak.txt. `make test` plays 3.
soak: setup
	cmake --preset native-asan >/dev/null
	cmake --build --preset native-asan -j $(JOBS) --target soak_tests
	AVREL_SOAK_PASSES=20 AVREL_SOAK_REPORT=$(CURDIR)/build/soak.txt \
	    ASAN_OPTIONS=detect_leaks=1 build/native-asan/tests/show/soak_tests

# The real programs side by side for SOAK_MINUTES (default 60), each on a
# private Xvfb: avrel -root and Avrel.scr /s under Wine (its 64-bit twin
# where this kernel cannot run 32-bit programs). Every 10 s the memory,
# threads, descriptors and shared memory of both, and the GDI objects, USER
# objects and handles of the Windows program; a screenshot of both stages
# every minute. Table, plot, screenshots and verdict go to build/soak-live;
# it fails when a figure grows after the first pass or a stage is black or
# stands still.
SOAK_MINUTES ?= 60
soak-live: setup native
	@$(FALLBACK_NOTE) $(MAKE) --no-print-directory $(WINE_PRESET) && \
	$(PY) tools/measure/soak_live.py --avrel build/native/linux/avrel \
	    --saver build/$(WINE_PRESET)/shell/Avrel.scr \
	    --probe build/$(WINE_PRESET)/tests/e2e/avrel_resource_probe.exe \
	    --prefix build/soak-live/wineprefix-$(WINE_ARCH) --arch $(WINE_ARCH) \
	    --minutes $(SOAK_MINUTES) --out build/soak-live

# Both drawing threads of the show on the real clock for 20 s under
# ThreadSanitizer, and avrel live on a private Xvfb with its presenter;
# any report fails. Part of `make test`.
tsan: setup
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS) --target real_threads_show avrel
	ctest --preset tsan -R '^tsan_'

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# Regenerates the pictures, palette, colour table and test data.
assets:
	$(PY) tools/assets/gen_assets.py
	$(PY) tools/assets/gen_testdata.py

# Your own pictures: avrel-custom, the maker every front end uses, writes
# the photos in PICTURES as the show's still pictures into a copy of the
# product build's program file (see README.md). No compiler or linker runs
# for the photos; the same folder gives the same bytes as avrel-custom.
OUT ?= build/custom/Avrel.scr
custom: windows
	@if [ -z "$(PICTURES)" ]; then \
	    echo "usage: make custom PICTURES=DIR [OUT=FILE] [PLAN=FILE] [FIT=cover|contain]"; exit 2; fi
	cmake --preset native >/dev/null
	cmake --build --preset native --target avrel-custom -j $(JOBS)
	mkdir -p "$$(dirname "$(OUT)")"
	build/native/custom/avrel-custom "$(PICTURES)" -o "$(OUT)" --scr build/windows/shell/Avrel.scr \
	    $(if $(PLAN),--plan "$(PLAN)") $(if $(FIT),--fit "$(FIT)")

clean:
	rm -rf build
