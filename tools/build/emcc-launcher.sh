#!/usr/bin/env bash
# Writes a compiler launcher for the page's C libraries to OUT, for
# CMAKE_C_COMPILER_LAUNCHER (build-libjpeg.sh wasm, build-photo-libs.sh).
#
# emcc starts Python and reads emscripten's settings on every run: half a
# second of CPU, four times what clang then spends on one of the libraries'
# small C files. A plain compile of a C file is only clang with the flags
# emcc adds for the optimisation asked (`emcc -O3 --cflags`; -Os and -Oz
# also limit inlining), so the launcher runs that clang directly, through
# ccache, for a compile whose options it knows (-I, -D, -U, -O, -W, -std,
# the dependency file's); anything else goes to emcc, which would add other
# flags for it. The launcher is written only if clang alone gives emcc's
# object for a probe file at both levels; otherwise it is ccache alone.
set -euo pipefail

out=$1
export NODE_PATH=/usr/share/nodejs  # Debian's emcc needs Debian's node modules
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT

clang="$(em-config LLVM_ROOT)/clang"
flags=$(emcc -O3 --cflags)
shrink_flags=$(emcc -Os --cflags)
cat >"$probe/probe.c" <<'EOF'
#include <stdlib.h>
#include <string.h>
static int twice(int x) { return x * 2; }
int probe(const char *text) { return twice((int)strlen(text)) + abs(text[0] - 'a'); }
EOF
# same LEVEL FLAGS: emcc and clang with FLAGS give the same object
# shellcheck disable=SC2086 # the flags are words
same() {
    emcc "$1" -DNDEBUG -c "$probe/probe.c" -o "$probe/emcc.o" &&
        "$clang" $2 "$1" -DNDEBUG -c "$probe/probe.c" -o "$probe/clang.o" &&
        cmp -s "$probe/emcc.o" "$probe/clang.o"
}
mkdir -p "$(dirname "$out")"
if same -O3 "$flags" && same -Os "$shrink_flags"; then
    cat >"$out" <<EOF
#!/bin/sh
# Written by tools/build/emcc-launcher.sh: a plain compile of a C file runs
# emcc's clang with emcc's flags; anything else runs emcc.
compiler=\$1
shift
direct=yes compile=no shrink=no value=no
for arg; do
    if [ \$value = yes ]; then value=no; continue; fi
    case \$arg in
    -c) compile=yes ;;
    -o | -MT | -MF | -MQ) value=yes ;;
    -Os | -Oz) shrink=yes ;;
    -O* | -I* | -D* | -U* | -W* | -std=* | -MD | -MMD | -MT* | -MF* | -MQ*) ;;
    -*) direct=no ;;
    *.c) ;;
    *) direct=no ;;
    esac
done
if [ \$direct\$compile = yesyes ]; then
    [ \$shrink = yes ] && exec ccache $clang $shrink_flags "\$@"
    exec ccache $clang $flags "\$@"
fi
exec ccache "\$compiler" "\$@"
EOF
else
    echo "emcc-launcher: clang alone differs from emcc here; every compile runs emcc" >&2
    printf '#!/bin/sh\nexec ccache "$@"\n' >"$out"
fi
chmod +x "$out"
