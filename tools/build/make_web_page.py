#!/usr/bin/env python3
"""Writes avrel.html: the page template with its style, the show's geometry
(show/StageGeometry.h, as `avrelGeometry`), its script and the compiled
program (a script that carries the WebAssembly inside) put in place, so
that one file holds everything and fetches nothing.

make_web_page.py TEMPLATE STYLE PAGE_SCRIPT PROGRAM_SCRIPT OUT
"""
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
    if len(argv) != 6:
        sys.stderr.write(__doc__)
        return 2
    template, style, page_script, program, out = argv[1:]
    with open(template, encoding="utf-8") as f:
        page = f.read()
    parts = {"GEOMETRY": geometry_script()}
    for name, path in (("STYLE", style), ("PAGE_SCRIPT", page_script), ("PROGRAM", program)):
        with open(path, encoding="utf-8") as f:
            parts[name] = f.read()
    for name in ("PAGE_SCRIPT", "PROGRAM"):
        parts[name] = inline_script(parts[name])
    for name, text in parts.items():
        marker = "@" + name + "@"
        if page.count(marker) != 1:
            sys.stderr.write("make_web_page: %s must hold %s once\n" % (template, marker))
            return 1
        # Replaced by position, not by pattern: the program holds '@' too.
        at = page.index(marker)
        page = page[:at] + text + page[at + len(marker):]
    partial = out + ".part"
    with open(partial, "w", encoding="utf-8") as f:
        f.write(page)
    os.replace(partial, out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
