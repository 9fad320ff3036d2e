#!/bin/sh
# Exit status 0 when this machine runs 32-bit Windows programs under Wine.
# Some kernels cannot execute i386 programs at all ("Exec format error");
# there the 64-bit twin of Avrel.scr stands in for the product in tests.
exec /usr/lib/wine/wine --version >/dev/null 2>&1
