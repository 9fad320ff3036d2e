# The front door. `make test` and `make run` install what is missing
# (Debian packages, the cross-built libjpeg), configure, build and then test
# or run. Everything else is CMake (see CMakePresets.json).

SHELL := /bin/bash
JOBS ?= 2
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"

# The scripts under tools/ find each other's modules through this one search
# path (CMake gives the tests the same).
export PYTHONPATH := $(CURDIR)/tools/assets:$(CURDIR)/tools/custom:$(CURDIR)/tools/session:$(CURDIR)/tools/measure
export PYTHONDONTWRITEBYTECODE := 1
# Objects compiled in one checkout are reused by another (a second clone, a
# worktree): ccache hashes paths relative to the checkout.
export CCACHE_BASEDIR := $(CURDIR)

.PHONY: all setup libjpeg libjpeg64 native native-asan windows windows64 test test-native \
        test-asan test-windows test-e2e run format assets custom clean play install-linux \
        dist fuzz soak soak-live tsan bench-peers web test-web

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
	bash tools/build/build-libjpeg.sh wasm
	bash tools/build/build-photo-libs.sh
	cmake --preset web >/dev/null
	cmake --build --preset web -j $(JOBS)

# avrel.html in headless Chromium, from disk and from a loopback server,
# against what avrel-render draws of the same show (about a minute and a
# half), then the show of a person's photos made in it against
# avrel-custom's of the same photos (about 40 s).
test-web: web native
	/usr/bin/python3 tests/web/web_page_test.py --page build/web/avrel.html \
	    --render build/native/render/avrel-render --screenshot build/web/screenshot.png
	/usr/bin/python3 tests/web/web_photos_test.py \
	    --page build/web/avrel.html --render build/native/render/avrel-render \
	    --custom build/native/custom/avrel-custom --scr build/windows/shell/Avrel.scr \
	    --screenshot build/web/screenshot-maker.png

test-native: native
	ctest --preset native

test-asan: native-asan
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset native-asan

# Windows test programs run under Wine on a private X server: the product's
# 32-bit build where this machine can run 32-bit programs, the 64-bit build
# always. The Wine servers kept alive for the run are stopped afterwards.
test-windows: windows windows64
	@status=0; \
	if /usr/lib/wine/wine --version >/dev/null 2>&1; then \
	    $(XVFB) ctest --preset windows || status=$$?; \
	else \
	    echo "test-windows: this kernel cannot run 32-bit programs; the 32-bit build is" \
	         "tested through its 64-bit twin"; \
	fi; \
	$(XVFB) ctest --preset windows64 || status=$$?; \
	WINEPREFIX=$(CURDIR)/build/windows/wineprefix /usr/bin/wineserver -k >/dev/null 2>&1 || true; \
	WINEPREFIX=$(CURDIR)/build/windows64/wineprefix /usr/lib/wine/wineserver64 -k \
	    >/dev/null 2>&1 || true; \
	exit $$status

test: native native-asan windows windows64 web
	$(MAKE) --no-print-directory test-native test-asan test-windows tsan test-web

# Plays the saver under Wine: on $DISPLAY when there is one, otherwise on a
# private Xvfb, saving a few screenshots to build/run. Where this kernel
# cannot run 32-bit programs, the 64-bit twin of Avrel.scr plays instead.
run: windows
	@if /usr/lib/wine/wine --version >/dev/null 2>&1; then \
	    /usr/bin/python3 tools/session/play.py saver --program build/windows/shell/Avrel.scr \
	        --prefix build/run/wineprefix-win32 --arch win32 --out build/run; \
	else \
	    echo "run: this kernel cannot run 32-bit programs; playing the 64-bit twin"; \
	    $(MAKE) --no-print-directory windows64 && \
	    /usr/bin/python3 tools/session/play.py saver --program build/windows64/shell/Avrel.scr \
	        --prefix build/run/wineprefix-win64 --arch win64 --out build/run; \
	fi

# Plays the Linux program avrel: on $DISPLAY when there is one, otherwise on
# a private Xvfb, saving a few screenshots to build/play.
play: native
	@/usr/bin/python3 tools/session/play.py avrel --program build/native/linux/avrel --out build/play

# avrel beside xscreensaver's slidescreen and popsquares, each on a private
# Xvfb of its own, side by side, at 1920 x 1080 and at 2560 x 1440, for
# PEER_SECONDS (default 120) after a 5 s start-up: CPU of each program and of
# its X server, peak memory, and the ratio to slidescreen, printed and
# written to build/bench-peers.txt. PEER_BASELINE=FILE runs another avrel
# (an earlier build) beside them.
PEER_SECONDS ?= 120
bench-peers: native
	/usr/bin/python3 tools/measure/bench_peers.py --program build/native/linux/avrel \
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
test-e2e: windows
	@if /usr/lib/wine/wine --version >/dev/null 2>&1; then \
	    ctest --preset windows -R '^e2e_'; \
	else \
	    $(MAKE) --no-print-directory windows64 && ctest --preset windows64 -R '^e2e_'; \
	fi

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
soak-live: native windows
	@/usr/lib/wine/wine --version >/dev/null 2>&1 || $(MAKE) --no-print-directory windows64
	@if /usr/lib/wine/wine --version >/dev/null 2>&1; then arch=win32; build=build/windows; \
	else \
	    echo "soak-live: this kernel cannot run 32-bit programs; soaking the 64-bit twin"; \
	    arch=win64; build=build/windows64; \
	fi; \
	/usr/bin/python3 tools/measure/soak_live.py --avrel build/native/linux/avrel \
	    --saver $$build/shell/Avrel.scr --probe $$build/tests/e2e/avrel_resource_probe.exe \
	    --prefix build/soak-live/wineprefix-$$arch --arch $$arch --minutes $(SOAK_MINUTES) \
	    --out build/soak-live

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
	/usr/bin/python3 tools/assets/gen_assets.py
	/usr/bin/python3 tools/assets/gen_testdata.py

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
