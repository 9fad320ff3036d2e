#!/usr/bin/env python3
"""Writes avrel.html: the page template with its parts and the show's
geometry (show/StageGeometry.h, as `avrelGeometry`, at @GEOMETRY@) put in
place, so that one file holds everything and fetches nothing.

make_web_page.py TEMPLATE OUT NAME=FILE...

The template holds each part once: @NAME@ for a text (a style, a script;
every script is inlined so that it cannot end its element early), or
@NAME:gzip@ for the bytes of a file compressed with gzip, in base64 (the
page's script inflates them with DecompressionStream).
"""
import base64
import gzip
import json
import os
import re
import sys

import stage_geometry


def inline_script(text):
    # A script inside <script> ends at the first "</script", wherever it is.
    return text.replace("</script", "<\\/script")


def geometry_script():
    """The header's values as one object: kStageWidth becomes stageWidth."""
    values = {re.sub(r"^k(.)", lambda m: m.group(1).lower(), name): value
              for name, value in stage_geometry.VALUES.items()}
    return "var avrelGeometry = %s;" % json.dumps(values)


def main(argv):
    if len(argv) < 4 or not all("=" in part for part in argv[3:]):
        sys.stderr.write(__doc__)
        return 2
    template, out = argv[1:3]
    with open(template, encoding="utf-8") as f:
        page = f.read()
    # Found in the template first: a part's own text may hold '@' too.
    places = []
    for part in argv[3:] + ["GEOMETRY="]:
        name, path = part.split("=", 1)
        encoded = "@" + name + ":gzip@" in page
        marker = "@" + name + (":gzip@" if encoded else "@")
        if page.count(marker) != 1:
            sys.stderr.write("make_web_page: %s must hold %s once\n" % (template, marker))
            return 1
        places.append((page.index(marker), marker, path, encoded))
    pieces, at = [], 0
    for where, marker, path, encoded in sorted(places):
        pieces.append(page[at:where])
        if not path:
            pieces.append(geometry_script())
        elif encoded:
            with open(path, "rb") as f:
                packed = gzip.compress(f.read(), compresslevel=9, mtime=0)
            pieces.append(base64.b64encode(packed).decode("ascii"))
        else:
            with open(path, encoding="utf-8") as f:
                pieces.append(inline_script(f.read()))
        at = where + len(marker)
    pieces.append(page[at:])
    page = "".join(pieces)
    partial = out + ".part"
    with open(partial, "w", encoding="utf-8") as f:
        f.write(page)
    os.replace(partial, out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
