#!/usr/bin/python3
"""Builds every resource file of Avrel.scr into assets/.

    /usr/bin/python3 tools/assets/gen_assets.py              write all assets
    /usr/bin/python3 tools/assets/gen_assets.py --check RES  verify a compiled .res

Writes the 47 JPEG pictures (painted by asset_art.py), the show palette
(4098) designed for those pictures, its 15-bit lookup table (4099), the
icon and cursor as raw resource images, and avrel.rc, which names them all
together with the dialogs, the string table and the version block.
Everything is seeded, so two runs give identical bytes.
"""

import io
import os
import struct
import sys

import numpy as np
from PIL import Image

import asset_art

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
ASSETS = os.path.join(ROOT, "assets")
LANG = 0x0407

# id: (catalogue bytes, grey?, width, height)
CATALOGUE = {
    1000: (25314, 0, 640, 480), 1001: (9666, 0, 211, 250), 1002: (3715, 0, 171, 95),
    1003: (3527, 0, 170, 95), 1004: (3442, 0, 171, 95), 1005: (1775, 0, 511, 5),
    1006: (1164, 0, 6, 290), 1007: (46982, 0, 228, 1540),
    2000: (18062, 0, 640, 480), 2001: (12576, 0, 410, 480), 2002: (3259, 0, 141, 103),
    2003: (1525, 0, 153, 112), 2004: (2673, 0, 153, 111), 2005: (1342, 0, 368, 6),
    2006: (1267, 0, 6, 342), 2007: (17298, 0, 131, 1078),
    3000: (22856, 0, 640, 480), 3001: (13937, 0, 640, 480), 3002: (8629, 0, 223, 480),
    3003: (11904, 0, 212, 480), 3004: (59175, 0, 212, 2400),
    4000: (22048, 0, 640, 480), 4001: (10618, 0, 640, 480), 4002: (13390, 0, 640, 184),
    4003: (14161, 0, 394, 296), 4004: (997, 0, 205, 4), 4005: (1047, 0, 4, 230),
    4006: (47397, 0, 162, 1568),
    5000: (27069, 0, 640, 480), 5001: (13399, 0, 640, 480), 5002: (16343, 0, 640, 161),
    5003: (11782, 0, 640, 160), 5004: (3948, 0, 278, 161), 5005: (1070, 0, 432, 2),
    5006: (1603, 0, 4, 480), 5007: (17960, 0, 138, 711), 5008: (2637, 0, 277, 160),
    6000: (5014, 1, 485, 29), 6001: (6084, 1, 496, 73), 6002: (9067, 1, 338, 119),
    6003: (5569, 1, 338, 76), 6004: (7268, 1, 338, 76), 6005: (7705, 1, 338, 76),
    6006: (4081, 1, 388, 30), 6007: (6605, 1, 577, 29), 6008: (4758, 1, 417, 29),
    9000: (22872, 1, 80, 2214),
}

# ---------------------------------------------------------------- palette

STATIC_LOW = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128),
              (128, 0, 128), (0, 128, 128), (192, 192, 192), (192, 220, 192), (166, 202, 240)]
STATIC_HIGH = [(255, 251, 240), (160, 160, 164), (128, 128, 128), (255, 0, 0), (0, 255, 0),
               (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
NEAR_WHITE = (243, 244, 243)                # entry 10, the nearest to (248, 248, 248)
DARK_PAIR = [(0, 0, 16), (0, 8, 8)]         # entries 244, 245: as near to (0, 0, 8) as black
# Nineteen greys of our own; with 0, 128, 192 and 255 they make a 23-step ramp
# for the grey logos.  7 is the darkest that stays farther than black from
# (0, 0, 8), and nothing goes above 239 so that entry 10 keeps near-white.
GREYS = [7, 16, 26, 37, 49, 61, 74, 87, 101, 114, 141, 154, 167, 180,
         203, 213, 222, 231, 239]
# Colours that must keep their own entry in the lookup table: every free
# colour must stay farther away from them than the entry that owns them.
GUARDS = [((0, 0, 8), 64), ((248, 248, 248), 66), ((248, 0, 0), 49)]


def sample_pixels(pictures, rng):
    """Pixels of every colour picture; small pictures count more than their area."""
    parts = []
    for pid in sorted(pictures):
        a = pictures[pid]
        if a.ndim != 3:
            continue
        px = a.reshape(-1, 3).astype(np.float32)
        n = min(len(px), 1500 + len(px) // 60)
        parts.append(px[rng.choice(len(px), n, replace=False)])
    return np.concatenate(parts)


def nearest(points, centres):
    best = np.empty(len(points), np.int64)
    c2 = (centres ** 2).sum(1)
    for s in range(0, len(points), 16384):
        p = points[s:s + 16384]
        d = c2[None, :] - 2.0 * p @ centres.T
        best[s:s + 16384] = d.argmin(1)
    return best


def kmeans(points, k, rng, rounds=16):
    # k-means++ start, then Lloyd rounds; empty clusters re-seed on the worst point
    centres = [points[rng.integers(len(points))]]
    d = ((points - centres[0]) ** 2).sum(1)
    for _ in range(k - 1):
        c = points[rng.choice(len(points), p=d / d.sum())]
        centres.append(c)
        d = np.minimum(d, ((points - c) ** 2).sum(1))
    centres = np.array(centres, np.float64)
    for _ in range(rounds):
        lab = nearest(points, centres)
        for j in range(k):
            members = points[lab == j]
            if len(members):
                centres[j] = members.mean(0)
            else:
                err = ((points - centres[lab]) ** 2).sum(1)
                centres[j] = points[err.argmax()]
    return centres


def legalise(colour, taken):
    """Round a free colour and push it off greys, guards and colours in use."""
    c = np.clip(np.round(colour), 0, 255).astype(int)
    for _ in range(64):
        for guard, limit in GUARDS:
            g = np.array(guard)
            v = c - g
            if (v * v).sum() <= limit:
                v = v if v.any() else np.array([1, 1, 1])
                c = np.clip(np.round(g + v * (np.sqrt(limit + 1) / np.sqrt((v * v).sum()))) + np.sign(v),
                            0, 255).astype(int)
                if ((c - g) ** 2).sum() <= limit:
                    # pushed against the cube's edge (a colour near black, say):
                    # leave the guard toward the middle of the cube instead
                    v = np.array([128, 128, 128]) - g
                    c = np.clip(np.round(g + v * (np.sqrt(limit + 1) / np.sqrt((v * v).sum())))
                                + np.sign(v), 0, 255).astype(int)
        if c[0] == c[1] == c[2]:
            c[2] = c[2] + 1 if c[2] < 255 else c[2] - 1
        if tuple(c) in taken:
            c[(len(taken) % 3)] += 1 if c[(len(taken) % 3)] < 255 else -1
            continue
        if all(((c - np.array(g)) ** 2).sum() > lim for g, lim in GUARDS):
            return tuple(int(v) for v in c)
    raise RuntimeError("cannot place colour %r" % (colour,))


def build_palette(pictures):
    rng = asset_art.rng_for(4098)
    fixed = STATIC_LOW + [NEAR_WHITE] + [(g, g, g) for g in GREYS] + DARK_PAIR + STATIC_HIGH
    free = 256 - len(fixed)
    centres = kmeans(sample_pixels(pictures, rng), free, rng)
    taken = set(fixed)
    chosen = []
    for c in centres[np.argsort(centres @ np.array([0.299, 0.587, 0.114]))]:
        t = legalise(c, taken)
        taken.add(t)
        chosen.append(t)
    entries = (STATIC_LOW + [NEAR_WHITE] + [(g, g, g) for g in GREYS] + chosen
               + DARK_PAIR + STATIC_HIGH)
    pal = np.array(entries, np.uint8)
    assert pal.shape == (256, 3)
    return pal


def build_colortable(pal):
    """Nearest entry for each 15-bit colour, ties going to the highest index."""
    key = np.arange(32768)
    rgb = np.stack([(key >> 10) & 31, (key >> 5) & 31, key & 31], 1) * 8
    d = ((rgb[:, None, :].astype(np.int32) - pal[None, :, :].astype(np.int32)) ** 2).sum(2)
    return (255 - d[:, ::-1].argmin(1)).astype(np.uint8)


def check_palette(pal, table):
    assert len(set(map(tuple, pal))) == 256, "palette colours must all differ"
    assert int((pal.min(1) == pal.max(1)).sum()) == 23, "palette must hold 23 greys"
    for key, want in [(0, 0), (0x7C00, 249), (0x4210, 248), (0x7FFF, 10), (1, 245)]:
        assert table[key] == want, "key %#x gives %d, want %d" % (key, table[key], want)
    d = ((pal.astype(int) - np.array([0, 0, 8])) ** 2).sum(1)
    assert sorted(np.nonzero(d == 64)[0]) == [0, 244, 245] and d.min() == 64


# ---------------------------------------------------------------- JPEG

def encode(arr, quality, optimize=True):
    buf = io.BytesIO()
    im = Image.fromarray(arr, "L" if arr.ndim == 2 else "RGB")
    opts = {"quality": quality, "optimize": optimize, "progressive": False}
    if arr.ndim == 3:
        opts["subsampling"] = 2
    im.save(buf, "JPEG", **opts)
    return buf.getvalue()


def encode_near(arr, target):
    """The encoding (quality 40..95, optimised Huffman tables or the standard
    ones, which tiny pictures need to come near) closest to the catalogue size."""
    best = None
    for optimize in (True, False):
        lo, hi = 40, 95
        while lo <= hi:
            q = (lo + hi) // 2
            data = encode(arr, q, optimize)
            if best is None or abs(len(data) - target) < abs(len(best) - target):
                best = data
            if len(data) < target:
                lo = q + 1
            else:
                hi = q - 1
    return best


def jpeg_segments(data):
    """(marker, payload) pairs up to and including SOS, then the rest."""
    assert data[:2] == b"\xff\xd8"
    pos, segs = 2, []
    while True:
        marker = data[pos + 1]
        length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
        segs.append((marker, data[pos + 4:pos + 2 + length]))
        pos += 2 + length
        if marker == 0xDA:
            return segs, data[pos:]


def check_jpeg(pid, data):
    size, grey, w, h = CATALOGUE[pid]
    segs, rest = jpeg_segments(data)
    markers = [m for m, _ in segs]
    assert markers[0] == 0xE0 and segs[0][1][:7] == b"JFIF\x00\x01\x01", pid
    assert all(m in (0xE0, 0xDB, 0xC4, 0xC0, 0xDA) for m in markers), (pid, markers)
    assert markers.count(0xE0) == 1 and markers.count(0xC0) == 1, pid
    sof = dict(segs)[0xC0]
    p, hh, ww, nc = struct.unpack(">BHHB", sof[:6])
    assert (p, ww, hh, nc) == (8, w, h, 1 if grey else 3), pid
    if not grey:
        assert [sof[7], sof[10], sof[13]] == [0x22, 0x11, 0x11], pid
    assert rest.endswith(b"\xff\xd9") and b"\xff\xd9" not in rest[:-2], pid
    assert not any(b"\xff" + bytes([m]) in rest[:-2] for m in (0xDA, 0xDD)), pid


# ---------------------------------------------------------------- icon and cursor

def bitmap_header(bits, colours):
    # 32 x 32 image stored as XOR and AND halves, hence height 64
    return struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, bits, 0,
                       32 * 32 * bits // 8 + 128, 0, 0, 0, 0) + b"".join(
        struct.pack("<BBBB", b, g, r, 0) for r, g, b in colours)


def build_icon():
    rgb, opaque = asset_art.icon_pixels()
    q = Image.fromarray(rgb).quantize(16, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    pal = q.getpalette()[:48] + [0] * 48
    colours = [tuple(pal[i * 3:i * 3 + 3]) for i in range(16)]
    idx = np.asarray(q, np.uint8).copy()
    black = min(range(16), key=lambda i: sum(colours[i]))
    idx[~opaque] = black
    xor = b"".join(bytes((idx[y, 2 * x] << 4) | idx[y, 2 * x + 1] for x in range(16))
                   for y in range(31, -1, -1))
    andm = np.packbits(~opaque[::-1], axis=1).tobytes()
    image = bitmap_header(4, colours) + xor + andm
    group = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHIH", 32, 32, 16, 0, 1, 4, len(image), 1)
    return image, group


def build_cursor():
    # nothing drawn: AND mask all ones keeps the screen, XOR mask all zeros adds nothing
    image = struct.pack("<HH", 0, 0) + bitmap_header(1, [(0, 0, 0), (255, 255, 255)]) \
        + b"\x00" * 128 + b"\xff" * 128
    group = struct.pack("<HHH", 0, 2, 1) + struct.pack("<HHHHIH", 32, 64, 1, 1, len(image), 2)
    return image, group


# ---------------------------------------------------------------- resource script

ABOUT_LINES = [
    "Veltrona Avrel Screen Saver", "", "Version 1.0", "",
    "Copyright (c) 2026 Quillmere", "",
    "Pictures, code and palette by", "the Veltrona studio team at", "Quillmere in Lindenhall.",
    "", "Contains software written by", "The Independent JPEG Group",
]
PRODUCT = "Veltrona Avrel Screen Saver"
VERSION_STRINGS = [
    ("CompanyName", "Quillmere Software GmbH"),
    ("FileDescription", PRODUCT),
    ("FileVersion", "0, 0, 1, 0"),
    ("InternalName", PRODUCT),
    ("LegalCopyright", "Copyright (c) 2026 Quillmere Software GmbH. All rights reserved"),
    ("OriginalFilename", "Avrel.scr"),
    ("ProductName", PRODUCT),
    ("ProductVersion", "0, 0, 1, 0"),
]


def rc_text():
    about = "\\n".join(ABOUT_LINES)
    out = ["// Avrel.scr resources. Generated by tools/assets/gen_assets.py; edit that, not this.",
           "// Every resource is German (0x0407), the language the program looks up.",
           "// The ids the code uses are named in ResourceIds.h.",
           '#include "ResourceIds.h"', "",
           "LANGUAGE 0x07, 0x01", "", "// Pictures of the show, chapter by chapter, then logos"]
    named = {9000: "IDR_CORNER_LOGO"}
    out += ['%s RCDATA "pictures/%d.jpg"' % (named.get(pid, pid), pid)
            for pid in sorted(CATALOGUE)]
    out += ["", "// Show palette and its 15-bit lookup table (palette id + 1)",
            'IDR_SHOW_PALETTE RCDATA "palette.bin"', 'IDR_SHOW_PALETTE_MAP RCDATA "colortable.bin"',
            "", "// Icon and cursor as raw images and groups (types 3, 14, 1, 12), so their",
            "// image ids and bytes are exactly ours rather than numbered by the compiler",
            'IDI_AVREL_IMAGE 3 "icon_image.bin"', 'IDI_AVREL 14 "icon_group.bin"',
            'IDR_BLANK_CURSOR_IMAGE 1 "cursor_image.bin"', 'IDR_BLANK_CURSOR 12 "cursor_group.bin"',
            "", "// WS_CHILD | WS_CAPTION | DS_SETFONT: pages of the configuration sheet",
            "IDD_PREFERENCES DIALOG 0, 0, 220, 202", "STYLE 0x40C00040", 'CAPTION "Preferences"',
            'FONT 8, "MS Sans Serif"', "BEGIN",
            '    GROUPBOX "Display Resolution", -1, 7, 7, 206, 32',
            '    AUTOCHECKBOX "Allow change of display resolution.", IDC_ALLOW_CHANGE, '
            '13, 20, 181, 10',
            "END", "",
            "IDD_ABOUT DIALOG 0, 0, 220, 202", "STYLE 0x40C00040", 'CAPTION "About"',
            'FONT 8, "MS Sans Serif"', "BEGIN",
            "    // WS_CHILD | WS_VISIBLE | SS_ICON showing the icon; the class is given as",
            "    // the static atom 0x82, since a quoted name would be stored as a string",
            "    // and the ICON statement would drop the 20 x 20 size",
            "    CONTROL IDI_AVREL, -1, 0x82, 0x50000003, 5, 5, 20, 20",
            '    LTEXT "%s", -1, 43, 5, 172, 192' % about,
            "END", "",
            "STRINGTABLE", "BEGIN", '    IDS_SHEET_CAPTION "%s"' % PRODUCT, "END", "",
            "1 VERSIONINFO", "FILEVERSION 0, 0, 1, 0", "PRODUCTVERSION 0, 0, 1, 0",
            "FILEFLAGSMASK 0x3F", "FILEFLAGS 0", "FILEOS 0x40004", "FILETYPE 1",
            "FILESUBTYPE 0", "BEGIN", '    BLOCK "StringFileInfo"', "    BEGIN",
            '        BLOCK "040704b0"', "        BEGIN"]
    out += ['            VALUE "%s", "%s"' % kv for kv in VERSION_STRINGS]
    out += ["        END", "    END", '    BLOCK "VarFileInfo"', "    BEGIN",
            '        VALUE "Translation", 0x0407, 1200', "    END", "END", ""]
    return "\n".join(out)


# ---------------------------------------------------------------- checking a .res

RT_CURSOR, RT_ICON, RT_DIALOG, RT_STRING, RT_RCDATA = 1, 3, 5, 6, 10
RT_GROUP_CURSOR, RT_GROUP_ICON, RT_VERSION = 12, 14, 16


def read_res(path):
    """{(type, name): data} of a 32-bit .res file; names are ints or strings."""
    with open(path, "rb") as f:
        data = f.read()
    pos, out = 0, {}

    def ident(p):
        if struct.unpack_from("<H", data, p)[0] == 0xFFFF:
            return struct.unpack_from("<H", data, p + 2)[0], p + 4
        end = p
        while struct.unpack_from("<H", data, end)[0]:
            end += 2
        return data[p:end].decode("utf-16-le"), end + 2

    while pos < len(data):
        size, hsize = struct.unpack_from("<II", data, pos)
        rtype, p = ident(pos + 8)
        name, p = ident(p)
        p = (p + 3) & ~3
        _, _, lang = struct.unpack_from("<IHH", data, p)
        if size or rtype:
            out[(rtype, name)] = (lang, data[pos + hsize:pos + hsize + size])
        pos = (pos + hsize + size + 3) & ~3
    return out


def read_dialog(t):
    """Header and controls of a DIALOG template (not DIALOGEX)."""
    def sz_or_ord(p):
        if struct.unpack_from("<H", t, p)[0] == 0xFFFF:
            return ("#", struct.unpack_from("<H", t, p + 2)[0]), p + 4
        end = p
        while struct.unpack_from("<H", t, end)[0]:
            end += 2
        return t[p:end].decode("utf-16-le"), end + 2

    style, ex, n, x, y, cx, cy = struct.unpack_from("<IIHhhhh", t, 0)
    menu, p = sz_or_ord(18)
    cls, p = sz_or_ord(p)
    title, p = sz_or_ord(p)
    pt = struct.unpack_from("<H", t, p)[0]
    face, p = sz_or_ord(p + 2)
    head = (style, ex, (x, y, cx, cy), menu, cls, title, pt, face)
    items = []
    for _ in range(n):
        p = (p + 3) & ~3
        st, ex, x, y, cx, cy, cid = struct.unpack_from("<IIhhhhH", t, p)
        cls, q = sz_or_ord(p + 18)
        text, q = sz_or_ord(q)
        extra = struct.unpack_from("<H", t, q)[0]
        items.append((cls, cid, st, ex, (x, y, cx, cy), text, extra))
        p = q + 2 + extra
    return head, items, p


def expected_resources():
    want = {(RT_RCDATA, pid): CATALOGUE[pid][0] for pid in CATALOGUE}
    want.update({(RT_RCDATA, 4098): 768, (RT_RCDATA, 4099): 32768, (RT_CURSOR, 2): 308,
                 (RT_GROUP_CURSOR, 102): 20, (RT_ICON, 1): 744, (RT_GROUP_ICON, 101): 20,
                 (RT_DIALOG, 1800): 236, (RT_DIALOG, 1804): 540, (RT_STRING, 13): 86,
                 (RT_VERSION, 1): 912})
    return want


def check_res(path):
    res = read_res(path)
    want = expected_resources()
    problems = []
    exact = {k for k in want if k[0] != RT_RCDATA or k[1] in (4098, 4099)}
    for key, size in sorted(want.items(), key=str):
        if key not in res:
            problems.append("missing %s" % (key,))
            continue
        lang, data = res[key]
        if lang != LANG:
            problems.append("%s has language %#x" % (key, lang))
        if key in exact and len(data) != size:
            problems.append("%s is %d bytes, want %d" % (key, len(data), size))
        if key[0] == RT_RCDATA and key[1] in CATALOGUE:
            try:
                check_jpeg(key[1], data)
            except AssertionError as e:
                problems.append("picture %d: %s" % (key[1], e))
    for key in res:
        if key not in want:
            problems.append("unexpected resource %s" % (key,))
    problems += check_dialogs(res)
    problems += check_strings(res)
    pal = np.frombuffer(res[(RT_RCDATA, 4098)][1], np.uint8).reshape(256, 3)
    table = np.frombuffer(res[(RT_RCDATA, 4099)][1], np.uint8)
    if not np.array_equal(build_colortable(pal), table):
        problems.append("colour table does not follow from the palette")
    cur = res[(RT_CURSOR, 2)][1]
    if cur[4 + 48:4 + 48 + 128] != b"\0" * 128 or cur[4 + 48 + 128:] != b"\xff" * 128:
        problems.append("cursor is not fully transparent")
    for p in problems:
        print("PROBLEM:", p)
    print("%d resources checked, %d problems" % (len(res), len(problems)))
    return not problems


def check_dialogs(res):
    problems = []
    font = (8, "MS Sans Serif")
    specs = {
        1800: ("Preferences", [(("#", 0x80), 65535, 0x50000007, (7, 7, 206, 32), "Display Resolution"),
                               (("#", 0x80), 1007, 0x50010003, (13, 20, 181, 10),
                                "Allow change of display resolution.")]),
        1804: ("About", [(("#", 0x82), 65535, 0x50000003, (5, 5, 20, 20), ("#", 101)),
                         (("#", 0x82), 65535, 0x50020000, (43, 5, 172, 192), "\n".join(ABOUT_LINES))]),
    }
    for did, (title, controls) in specs.items():
        head, items, end = read_dialog(res[(RT_DIALOG, did)][1])
        if head != (0x40C00040, 0, (0, 0, 220, 202), "", "", title) + font:
            problems.append("dialog %d header %r" % (did, head))
        got = [(c, i, s, r, t) for c, i, s, ex, r, t, extra in items]
        if got != controls or any(ex or extra for _, _, _, ex, _, _, extra in items):
            problems.append("dialog %d controls %r" % (did, items))
    return problems


def check_strings(res):
    block = res.get((RT_STRING, 13), (0, b""))[1]
    strings, p = [], 0
    for _ in range(16):
        n = struct.unpack_from("<H", block, p)[0]
        strings.append(block[p + 2:p + 2 + 2 * n].decode("utf-16-le"))
        p += 2 + 2 * n
    want = [""] * 16
    want[200 - 192] = PRODUCT
    return [] if strings == want and p == len(block) else ["string block 13: %r" % strings]


# ---------------------------------------------------------------- main

def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if len(argv) == 3 and argv[1] == "--check":
        return 0 if check_res(argv[2]) else 1
    pictures = {pid: asset_art.paint(pid, w, h) for pid, (_, _, w, h) in CATALOGUE.items()}
    pal = build_palette(pictures)
    table = build_colortable(pal)
    check_palette(pal, table)
    write(os.path.join(ASSETS, "palette.bin"), pal.tobytes())
    write(os.path.join(ASSETS, "colortable.bin"), table.tobytes())
    total = 0
    print("  id   bytes  catalogue")
    for pid in sorted(CATALOGUE):
        data = encode_near(pictures[pid], CATALOGUE[pid][0])
        check_jpeg(pid, data)
        write(os.path.join(ASSETS, "pictures", "%d.jpg" % pid), data)
        total += len(data)
        print("%5d %7d %9d" % (pid, len(data), CATALOGUE[pid][0]))
    print("pictures: %d bytes (catalogue %d)" % (total, sum(v[0] for v in CATALOGUE.values())))
    icon, icon_group = build_icon()
    cursor, cursor_group = build_cursor()
    for name, data in [("icon_image.bin", icon), ("icon_group.bin", icon_group),
                       ("cursor_image.bin", cursor), ("cursor_group.bin", cursor_group)]:
        write(os.path.join(ASSETS, name), data)
    write(os.path.join(ASSETS, "avrel.rc"), rc_text().encode("ascii"))
    print("palette, colour table, icon (%d), cursor (%d) and avrel.rc written"
          % (len(icon), len(cursor)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
