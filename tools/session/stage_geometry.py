"""Where the show draws, as show/StageGeometry.h writes it: the stage, the
corner logo beyond its lower-right corner and the full view that holds both
with the stage centred. The header is the one place these numbers are
written; this reads them from it when first imported, for the tools, the
tests and the page's script (tools/build/make_web_page.py)."""
import os
import re

HEADER = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, os.pardir,
                      "show", "StageGeometry.h")


def read(path=HEADER):
    """Every `const int kName = value;` line of the header as {name: value},
    where a value is a number or a sum or product of names above it."""
    values = {}
    with open(path, encoding="utf-8") as f:
        text = f.read()
    for name, expression in re.findall(r"^const int (k\w+) = ([^;]+);", text, re.M):
        terms = re.sub(r"k\w+", lambda m: str(values[m.group(0)]), expression)
        if not re.fullmatch(r"[0-9 +*()]+", terms):
            raise ValueError(f"{path}: {name} = {expression} is not a sum or product")
        values[name] = eval(terms, {"__builtins__": {}})  # digits, + and * only
    return values


VALUES = read()
STAGE_SIZE = (VALUES["kStageWidth"], VALUES["kStageHeight"])
CORNER_LOGO_SIZE = (VALUES["kCornerLogoWidth"], VALUES["kCornerLogoHeight"])
FULL_VIEW_SIZE = (VALUES["kFullViewWidth"], VALUES["kFullViewHeight"])


def stage_offsets(client):
    """Where the stage's top-left lies in a client of (width, height), as the
    show places it: centred, truncated toward zero (StageLeft, StageTop)."""
    return tuple(int((c - s) / 2) for c, s in zip(client, STAGE_SIZE))


def boxes_at(stage_origin, scale=1):
    """The stage's and the corner logo's boxes (left, top, right, bottom)
    for a stage whose top-left lies at `stage_origin`, drawn `scale` times
    larger."""
    x, y = stage_origin
    stage = (x, y, x + STAGE_SIZE[0] * scale, y + STAGE_SIZE[1] * scale)
    logo = (stage[2], stage[3], stage[2] + CORNER_LOGO_SIZE[0] * scale,
            stage[3] + CORNER_LOGO_SIZE[1] * scale)
    return stage, logo


def boxes_in(client):
    """The stage's and the corner logo's boxes in a client of (width, height)
    at (0, 0), where the show places them."""
    return boxes_at(stage_offsets(client))
