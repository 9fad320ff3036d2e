#!/usr/bin/python3
"""Creates a Wine prefix as the first test played in it would, on a private
Xvfb: make_prefix.py PREFIX win32|win64. `make test` makes the prefix of
the tests that run last, alone, while it builds, so that the first of them
does not spend its time on the prefix (about 13 s) with the rest of the
machine idle. An existing prefix is left as it is."""
import sys

import saver_session


def main(prefix, arch):
    with saver_session.Xvfb() as xvfb:
        saver_session.WineSession(prefix, arch, xvfb.display).close()
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[2] not in ("win32", "win64"):
        sys.exit("usage: make_prefix.py PREFIX win32|win64")
    sys.exit(main(sys.argv[1], sys.argv[2]))
