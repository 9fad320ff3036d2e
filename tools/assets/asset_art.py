"""Procedural artwork for Avrel's pictures.

Every picture is painted from seeded noise, gradients and simple shapes, so
the whole set can be rebuilt byte for byte from this file.  Colour pictures
come back as HxWx3 uint8 arrays, grey ones (logos) as HxW uint8 arrays.
Nothing here knows about JPEG, palettes or resources.
"""

import numpy as np
from PIL import Image, ImageDraw, ImageFont

SEED = 20260407
FONT_DIR = "/usr/share/fonts/truetype/dejavu/"


def rng_for(pid, salt=0):
    return np.random.default_rng([SEED, pid, salt])


# ---------------------------------------------------------------- primitives

def col(*c):
    return np.array(c, np.float32) / 255.0


def noise(rng, h, w, cy, cx=None):
    """Smooth value noise in 0..1 with features of cy x cx pixels."""
    cx = cy if cx is None else cx
    gh, gw = int(h / cy) + 4, int(w / cx) + 4
    g = rng.random((gh, gw)).astype(np.float32)
    big = Image.fromarray(g, "F").resize((int(gw * cx), int(gh * cy)), Image.BICUBIC)
    a = np.asarray(big)
    oy, ox = int(cy), int(cx)
    return np.clip(a[oy:oy + h, ox:ox + w], 0.0, 1.0)


def fbm(rng, h, w, cy, cx=None, octaves=4, gain=0.5):
    cx = cy if cx is None else cx
    total, amp, norm = np.zeros((h, w), np.float32), 1.0, 0.0
    for _ in range(octaves):
        total += amp * noise(rng, h, w, max(cy, 1.0), max(cx, 1.0))
        norm += amp
        amp *= gain
        cy, cx = cy / 2.0, cx / 2.0
    return total / norm


def profile(rng, w, cell, octaves=4):
    """A 1-D fractal line (0..1) of length w, for ridges and horizons."""
    return fbm(rng, 1, w, 1.0, cell, octaves)[0]


def vgrad(h, w, stops, y0=0.0, y1=None):
    """Vertical gradient through (position, colour) stops; positions 0..1 span y0..y1."""
    y1 = float(h) if y1 is None else y1
    t = (np.arange(h, dtype=np.float32) - y0) / max(y1 - y0, 1.0)
    pos = [p for p, _ in stops]
    out = np.empty((h, w, 3), np.float32)
    for c in range(3):
        out[:, :, c] = np.interp(t, pos, [s[1][c] for s in stops])[:, None]
    return out


def coords(h, w):
    return np.mgrid[0:h, 0:w].astype(np.float32)


def over(img, colour, alpha):
    a = np.clip(alpha, 0.0, 1.0)[..., None]
    return img * (1.0 - a) + np.asarray(colour, np.float32) * a


def below(h, w, line, soft=1.0):
    """Alpha of everything under a per-column line (antialiased)."""
    y = np.arange(h, dtype=np.float32)[:, None]
    return np.clip((y - line[None, :]) / soft + 0.5, 0.0, 1.0)


def glow(h, w, cx, cy, r, sx=1.0):
    y, x = coords(h, w)
    d2 = ((x - cx) / sx) ** 2 + (y - cy) ** 2
    return np.exp(-d2 / (r * r))


def screen(img, colour, amount):
    """Light added the way light adds up: bright areas never clip flat."""
    a = np.clip(amount, 0.0, 1.0)[..., None] * np.asarray(colour, np.float32)
    return 1.0 - (1.0 - np.clip(img, 0.0, 1.0)) * (1.0 - a)


def disc(h, w, cx, cy, r):
    y, x = coords(h, w)
    d = np.sqrt((x - cx) ** 2 + (y - cy) ** 2)
    return np.clip(r - d + 0.5, 0.0, 1.0)


def stars(rng, h, w, count, ymax=None, bright=1.0):
    ymax = h if ymax is None else ymax
    field = np.zeros((h, w), np.float32)
    ys = rng.integers(0, max(ymax, 1), count)
    xs = rng.integers(0, w, count)
    vs = rng.random(count) ** 2.5 * bright
    field[ys, xs] = vs
    return np.clip(blur(field, 0.6) * 3.0, 0.0, 1.0)


def blur(img, radius):
    """Separable Gaussian blur (edges clamped); works on 2-D and 3-D arrays."""
    k = int(radius * 3) + 1
    t = np.arange(-k, k + 1, dtype=np.float32)
    kern = np.exp(-t * t / (2 * radius * radius))
    kern /= kern.sum()
    out = img.astype(np.float32)
    for axis in (0, 1):
        pad = [(0, 0)] * out.ndim
        pad[axis] = (k, k)
        p = np.pad(out, pad, mode="edge")
        n = out.shape[axis]
        acc = np.zeros_like(out)
        for i, kv in enumerate(kern):
            acc += kv * np.take(p, np.arange(i, i + n), axis=axis)
        out = acc
    return out


def vignette(img, strength=0.35, power=2.2):
    h, w = img.shape[:2]
    y, x = coords(h, w)
    d = np.sqrt(((x - w / 2) / (w / 2)) ** 2 + ((y - h / 2) / (h / 2)) ** 2) / 1.414
    return img * (1.0 - strength * d[..., None] ** power)


def finish(img, rng=None, grain=0.0):
    if rng is not None and grain > 0:
        img = img + (rng.random(img.shape[:2], np.float32)[..., None] - 0.5) * grain
    return np.clip(img * 255.0 + 0.5, 0, 255).astype(np.uint8)


def reflect(scene, horizon, h, rng, darken=0.72, tint=(0.85, 0.9, 1.05), ripple=3.0):
    """Water below `horizon`: the mirrored scene, rippled sideways and dimmed."""
    out = scene.copy()
    w = scene.shape[1]
    rows = h - horizon
    if rows <= 0:
        return out
    wob = (noise(rng, rows, w, 2.0, 40.0) - 0.5) * 2.0
    depth = np.linspace(0.3, 1.0, rows, dtype=np.float32)[:, None]
    xs = np.clip(np.arange(w)[None, :] + (wob * ripple * depth).astype(int), 0, w - 1)
    src_y = np.clip(horizon - 1 - np.arange(rows), 0, horizon - 1)[:, None]
    mirrored = scene[src_y, xs]
    streak = noise(rng, rows, w, 1.5, 90.0)
    shade = darken * (0.9 + 0.2 * streak)[..., None]
    out[horizon:] = mirrored * shade * np.asarray(tint, np.float32)
    return out


# --------------------------------------------------------------- shapes

def conifer_line(rng, w, base, count, hmin, hmax, slope=2.6):
    """Skyline of pointed fir trees: y of the top silhouette per column."""
    x = np.arange(w, dtype=np.float32)
    line = np.full(w, float(base), np.float32)
    for _ in range(count):
        cx = rng.uniform(-10, w + 10)
        top = base - rng.uniform(hmin, hmax)
        teeth = (np.abs(x - cx) % 5.0) * 0.8
        line = np.minimum(line, top + np.abs(x - cx) * slope + teeth)
    return line


def skyline(rng, w, base, count, hmin, hmax, wmin, wmax):
    """Buildings as (x0, x1, top) boxes standing on `base`."""
    boxes = []
    x = rng.uniform(-20, 0)
    while x < w and len(boxes) < count:
        bw = rng.uniform(wmin, wmax)
        boxes.append((int(x), int(x + bw), int(base - rng.uniform(hmin, hmax))))
        x += bw * rng.uniform(0.55, 1.05)
    return boxes


def draw_city(img, rng, boxes, base, body, lit_cols, lit_rate=0.35, win=(3, 4)):
    h, w = img.shape[:2]
    for x0, x1, top in boxes:
        x0c, x1c = max(x0, 0), min(x1, w)
        if x1c <= x0c:
            continue
        shade = rng.uniform(0.7, 1.15)
        img[max(top, 0):base, x0c:x1c] = np.asarray(body, np.float32) * shade
        if rng.random() < 0.3:    # antenna light on the tall ones
            ax = (x0 + x1) // 2
            if 0 <= ax < w and top > 6:
                img[top - 6:top, ax] = np.asarray(body, np.float32) * 1.3
                img[top - 7, ax] = lit_cols[0]
        ww, wh = win
        for wy in range(top + 4, base - 3, wh + 3):
            for wx in range(x0 + 3, x1 - ww - 1, ww + 3):
                if rng.random() < lit_rate and 0 <= wx < w - ww:
                    c = lit_cols[rng.integers(len(lit_cols))] * rng.uniform(0.6, 1.0)
                    img[wy:wy + wh, wx:wx + ww] = c
    return img


# --------------------------------------------------------------- chapter 1: dusk

DUSK_SKY = [(0.0, col(42, 26, 78)), (0.42, col(128, 58, 112)),
            (0.74, col(232, 112, 84)), (1.0, col(255, 196, 120))]


def dusk_scene(h, w, rng, horizon, sun, sun_r=14.0, glow_amt=1.0, clouds=True,
               ridges=3, dim=0.0):
    sx, sy = sun
    img = vgrad(h, w, DUSK_SKY, 0, horizon)
    img = screen(img, col(255, 170, 90), 0.55 * glow(h, w, sx, sy, 120 * glow_amt, 2.2))
    img = screen(img, col(255, 220, 160), 0.5 * glow(h, w, sx, sy, 40 * glow_amt))
    img = over(np.minimum(img, 1.0), col(255, 244, 222), disc(h, w, sx, sy, sun_r))
    if clouds:
        c = fbm(rng, h, w, 18, 150, 4)
        band = np.clip(1.0 - np.abs(np.arange(h)[:, None] - horizon * 0.45) / (horizon * 0.35), 0, 1)
        a = np.clip((c - 0.52) * 3.2, 0, 1) * band * 0.85
        lit = np.clip(glow(h, w, sx, sy, 260, 1.6) * 1.4, 0, 1)[..., None]
        cc = col(96, 40, 88) * (1 - lit) + col(255, 150, 120) * lit
        img = img * (1 - a[..., None]) + cc * a[..., None]
    layers = [(col(196, 110, 130), 0.62, 55, 0.25), (col(118, 56, 98), 0.42, 38, 0.5),
              (col(56, 22, 52), 0.25, 26, 0.8)][3 - ridges:]
    for i, (c, haze, amp, cell) in enumerate(layers):
        line = horizon - 8 - amp * profile(rng, w, 320 * cell, 5) - (2 - i) * 18
        a = below(h, w, line)
        y = np.arange(h, dtype=np.float32)[:, None, None]
        mist = np.clip((y - line.min()) / max(horizon - line.min(), 1), 0, 1) * haze
        body = c * (1 - mist) + col(250, 170, 130) * mist
        img = img * (1 - a[..., None]) + body * a[..., None]
    img = reflect(np.minimum(img, 1.0), horizon, h, rng, 0.78, (0.86, 0.86, 1.0), 4.0)
    # glitter path of the sun on the water
    y, x = coords(h, w)
    sp = noise(rng, h, w, 1.2, 14.0)
    path = np.exp(-((x - sx) / (14 + (y - horizon).clip(0) * 0.35)) ** 2) * (y > horizon)
    img += col(255, 200, 130) * (np.clip(sp - 0.55, 0, 1) * 2.4 * path)[..., None]
    if dim:
        img = img * (1 - dim) + img * col(80, 60, 140) * dim
    return img


def pic_1000(w, h, rng):
    return finish(vignette(dusk_scene(h, w, rng, 318, (402, 298), 16), 0.3), rng, 0.01)


def pic_1001(w, h, rng):
    # close view under the sun: reeds against the glowing water, lower middle
    img = dusk_scene(h, w, rng, 92, (120, 70), 11, 0.7, clouds=False, ridges=2)
    y, x = coords(h, w)
    for _ in range(46):
        bx = rng.uniform(-5, w + 5)
        top = rng.uniform(110, 200)
        lean = rng.uniform(-0.12, 0.12)
        width = rng.uniform(0.8, 2.0)
        stem = np.abs(x - (bx + (h - y) * lean)) < width
        img[(y > top) & stem] = col(38, 14, 34)
        if rng.random() < 0.4:
            head = ((x - (bx + (h - top) * lean)) / 2.4) ** 2 + ((y - top) / 9) ** 2 < 1
            img[head] = col(48, 20, 40)
    img = over(img, col(30, 10, 28), below(h, w, 228 + 6 * profile(rng, w, 30, 3)))
    return finish(vignette(img, 0.35), rng, 0.01)


def tiles_panorama(rng):
    # one evening panorama cut into the three top tiles, so they read as a triptych
    w, h = 512, 95
    img = vgrad(h, w, [(0, col(30, 20, 70)), (0.55, col(110, 52, 110)), (1, col(236, 128, 96))])
    c = fbm(rng, h, w, 10, 110, 4)
    a = np.clip((c - 0.45) * 3.0, 0, 1) * 0.8
    y = np.arange(h, dtype=np.float32)[:, None]
    cc = col(70, 30, 80) * (1 - y / h)[..., None] + col(250, 150, 120) * (y / h)[..., None]
    img = img * (1 - a[..., None]) + cc * a[..., None]
    img += col(255, 180, 110) * (0.6 * glow(h, w, 350, 100, 60, 2.5))[..., None]
    img = over(img, col(255, 240, 210), stars(rng, h, w, 70, 50) * 0.8)
    # a flight of birds across the middle tile
    for i in range(9):
        bx, by = 200 + i * 13 + rng.uniform(-4, 4), 40 + abs(i - 4) * 4 + rng.uniform(-2, 2)
        s = rng.uniform(2.5, 3.5)
        for dx in np.arange(-s, s, 0.25):
            yy, xx = int(by - abs(dx) * 0.55 + abs(dx) ** 2 * 0.05), int(bx + dx)
            img[yy, xx] = col(40, 16, 40)
    line = 72 + 14 * profile(rng, w, 80, 4)
    img = over(img, col(46, 18, 48), below(h, w, line))
    return img


def pic_tile(pid, w, h, rng):
    pano = tiles_panorama(rng_for(1002, 1))
    x0 = {1002: 0, 1003: 171, 1004: 341}[pid]
    img = vignette(pano[:, x0:x0 + w], 0.28)
    # a thin warm rim, so each tile sits as a framed card on the sky
    img[0, :], img[-1, :] = img[0, :] * 0.6, img[-1, :] * 0.6
    img[:, 0], img[:, -1] = img[:, 0] * 0.6, img[:, -1] * 0.6
    return finish(img, rng, 0.01)


def line_source(w, h, rng, c0, c1, sheen, along):
    """Frame-line material: light colours that change along each line."""
    n = w if along == "x" else h
    t = np.linspace(0, 1, n, dtype=np.float32)
    out = []
    for k in range((h if along == "x" else w)):
        ph = rng.uniform(0, 6.28)
        s = 0.5 + 0.5 * np.sin(t * 6.28 * rng.uniform(1.2, 2.5) + ph)
        base = c0[None, :] * (1 - t[:, None]) + c1[None, :] * t[:, None]
        line = base * (1 - 0.25 * s[:, None]) + sheen[None, :] * (0.25 * s[:, None])
        out.append(line)
    arr = np.stack(out, 0)
    if along == "y":
        arr = arr.transpose(1, 0, 2)
    return finish(arr)


def film(frames, frame):
    """A filmstrip's frames stacked top to bottom: frame(t) paints the one at
    t, from 0 for the first to 1 for the last."""
    return np.concatenate([frame(f / (frames - 1)) for f in range(frames)], 0)


def pic_1007(w, h, rng, frames=4):
    h //= frames

    # the sun slipping behind the hills, one frame per step, ending in afterglow
    def frame(t):
        img = dusk_scene(h, w, rng_for(1007, 7), 250, (118, 180 + 62 * t), 13, 1.0 - 0.35 * t,
                         clouds=True, ridges=3, dim=0.35 * t)
        return vignette(img, 0.3)
    return finish(film(frames, frame), rng, 0.01)


# --------------------------------------------------------------- chapter 2: ocean

OCEAN_SKY = [(0.0, col(22, 60, 128)), (0.55, col(82, 148, 210)), (1.0, col(196, 226, 240))]


def sea(h, w, rng, horizon, sun_x, shift=0.0, deep=col(6, 40, 86), near=col(20, 96, 142)):
    img = vgrad(h, w, OCEAN_SKY, 0, horizon)
    c = fbm(rng, h, w, 14, 120, 4)
    cloud = np.clip((c - 0.5) * 2.5, 0, 1) * np.clip(1 - np.arange(h)[:, None] / horizon, 0, 1)
    img = over(img, col(244, 248, 252), cloud * 0.75)
    rows = h - horizon
    if rows > 0:
        d = np.linspace(0, 1, rows, dtype=np.float32)[:, None]
        water = deep * (1 - d[..., None]) + near * d[..., None]
        persp = 1.0 + d * 10.0
        y = np.arange(rows, dtype=np.float32)[:, None]
        x = np.arange(w, dtype=np.float32)[None, :]
        wave = np.sin(x / (16 * persp) * 0.6 + shift + 3.0 * noise(rng, rows, w, 2, 30)) \
            * np.sin(y * (0.9 / persp) * 4 + shift * 0.7)
        crest = np.clip(wave, 0, 1) ** 3
        water = water + col(150, 200, 230) * (crest * 0.35)[..., None]
        water = water - col(10, 30, 40) * (np.clip(-wave, 0, 1) * 0.5)[..., None]
        sparkle = np.clip(noise(rng, rows, w, 1.0, 6) - 0.62, 0, 1) * 3
        path = np.exp(-((x - sun_x) / (20 + y * 0.8)) ** 2)
        water = water + col(255, 250, 230) * (sparkle * path * crest ** 0.3)[..., None]
        water = over(water, col(200, 226, 240), np.exp(-y / 3.0) * 0.6)
        img[horizon:] = water
    return img


def pic_2000(w, h, rng):
    img = sea(h, w, rng, 205, 120)
    img += col(255, 240, 200) * (0.35 * glow(h, w, 120, 150, 90, 2.0))[..., None]
    return finish(vignette(img, 0.25), rng, 0.01)


def underwater(h, w, rng, phase=0.0):
    img = vgrad(h, w, [(0, col(64, 170, 200)), (0.35, col(16, 98, 150)), (1, col(4, 26, 66))])
    y, x = coords(h, w)
    rays = np.zeros((h, w), np.float32)
    for i in range(7):
        x0 = rng.uniform(0, w)
        ang = rng.uniform(-0.35, -0.1)
        wid = rng.uniform(6, 22)
        d = (x - (x0 + y * ang) + 8 * np.sin(phase + i)) / wid
        rays += np.exp(-d * d) * rng.uniform(0.15, 0.3)
    rays *= np.clip(1 - y / (h * 0.9), 0, 1)
    img += col(170, 230, 240) * rays[..., None]
    caustic = np.abs(np.sin(fbm(rng, h, w, 22, 22, 3) * 18 + phase))
    img += col(120, 210, 230) * ((1 - caustic) ** 8 * 0.25 * np.clip(1 - y / 120, 0, 1))[..., None]
    return img


def pic_2001(w, h, rng):
    img = underwater(h, w, rng)
    y, x = coords(h, w)
    # bubbles rising on the left, a shoal of fish further down
    for _ in range(40):
        bx, by, r = rng.uniform(20, 130), rng.uniform(40, 470), rng.uniform(1.5, 5)
        ring = np.clip(1 - np.abs(np.sqrt((x - bx) ** 2 + (y - by) ** 2) - r), 0, 1)
        img = over(img, col(200, 240, 250), ring * 0.6)
    for _ in range(26):
        fx, fy, s = rng.uniform(150, 390), rng.uniform(230, 380), rng.uniform(5, 9)
        body = ((x - fx) / s) ** 2 + ((y - fy) / (s * 0.38)) ** 2 < 1
        tail = (np.abs(y - fy) < (x - fx - s * 0.8) * 0.7) & (x > fx + s * 0.8) & (x < fx + s * 1.5)
        img[body | tail] = img[body | tail] * 0.45 + col(10, 30, 50) * 0.55
    sand = 440 + 12 * profile(rng, w, 90, 4)
    img = over(img, col(40, 74, 96), below(h, w, sand, 3))
    return finish(vignette(img, 0.3), rng, 0.012)


def pic_2002(w, h, rng):
    # lighthouse on its headland
    img = sea(h, w, rng, 70, 40)
    cliff = 58 + 40 * ((np.arange(w) - 70) / 70.0) ** 2 + 4 * profile(rng, w, 20, 3)
    y, x = coords(h, w)
    land = below(h, w, np.minimum(cliff, 104)) * (x < 118)
    grass = np.clip(1 - (y - cliff[None, :]) / 8, 0, 1)[..., None]
    img = over(img, col(70, 124, 70) * grass + col(96, 92, 86) * (1 - grass), land)
    tower = (np.abs(x - 52) < (6 - (y - 22) * 0.03)) & (y > 22) & (y < 60)
    stripe = ((y // 7) % 2 == 0)
    img[tower & stripe] = col(200, 60, 54)
    img[tower & ~stripe] = col(240, 240, 236)
    img[(np.abs(x - 52) < 5) & (y > 15) & (y <= 22)] = col(250, 236, 170)
    img[(np.abs(x - 52) < 6) & (y > 12) & (y <= 15)] = col(40, 40, 50)
    img += col(255, 240, 180) * (0.7 * glow(h, w, 52, 18, 9, 3))[..., None]
    return finish(vignette(img, 0.3), rng, 0.01)


def sailboat(img, x0, y0, s, hull=col(60, 40, 40), sail=col(248, 246, 238)):
    h, w = img.shape[:2]
    y, x = coords(h, w)
    u, v = (x - x0) / s, (y - y0) / s
    img[(v > 0) & (v < 0.25) & (np.abs(u) < 1.0 - v * 1.6)] = hull
    img[(v < 0) & (v > -1.8) & (u > 0.04) & (u < 0.04 + (v + 1.8) * 0.48)] = sail
    img[(v < 0) & (v > -1.5) & (u < -0.04) & (u > -0.04 - (v + 1.5) * 0.35)] = sail * 0.9
    img[(v < 0.02) & (v > -1.9) & (np.abs(u) < 0.04)] = hull
    return img


def pic_2003(w, h, rng):
    img = sea(h, w, rng, 64, 110)
    img = sailboat(img, 70, 70, 16)
    return finish(vignette(img, 0.3), rng, 0.01)


def pic_2004(w, h, rng):
    # surf breaking on the rocks
    img = sea(h, w, rng, 30, 20, near=col(40, 130, 160))
    y, x = coords(h, w)
    foam = fbm(rng, h, w, 6, 10, 4)
    shore = 70 + 12 * np.sin(x / 30.0) + 8 * profile(rng, w, 25, 3)[None, :]
    band = np.exp(-((y - shore) / 10.0) ** 2)
    img = over(img, col(240, 248, 250), np.clip((foam - 0.45) * 4, 0, 1) * band)
    rocks = 92 - 22 * np.exp(-((np.arange(w) - 120) / 28.0) ** 2) + 4 * profile(rng, w, 10, 3)
    img = over(img, col(52, 58, 64), below(h, w, rocks, 1.5))
    return finish(vignette(img, 0.3), rng, 0.01)


def pic_2007(w, h, rng, frames=11):
    h //= frames

    def frame(t):
        img = sea(h, w, rng_for(2007, 3), 40, 100, shift=t * 2 * np.pi)
        bob = 2.5 * np.sin(t * 2 * np.pi)
        return vignette(sailboat(img, 20 + 80 * t, 62 + bob, 13), 0.25)
    return finish(film(frames, frame), rng, 0.008)


# --------------------------------------------------------------- chapter 3: forest

FOREST_SKY = [(0, col(196, 222, 180)), (1, col(236, 240, 206))]


def forest(h, w, rng, layers=5, sun=(420, 40), scale=1.0):
    img = vgrad(h, w, FOREST_SKY)
    img += col(255, 250, 210) * (0.45 * glow(h, w, sun[0], sun[1], 110 * scale))[..., None]
    img = np.minimum(img, 1.0)
    for i in range(layers):
        t = i / max(layers - 1, 1)
        base = h * (0.5 + 0.5 * t) + 20 * scale
        line = conifer_line(rng, w, base, int((20 + 40 * t) * w / 640 + 4),
                            (50 + 60 * t) * scale, (110 + 120 * t) * scale, 2.6 + 0.8 * t)
        c = col(160, 194, 150) * (1 - t) + col(26, 66, 38) * t
        a = below(h, w, line)
        y = np.arange(h, dtype=np.float32)[:, None, None]
        fog = np.clip((y - base + 110 * scale) / (150 * scale), 0, 1) * (0.55 - 0.3 * t)
        img = img * (1 - a[..., None]) + (c * (1 - fog) + col(214, 230, 200) * fog) * a[..., None]
    y, x = coords(h, w)
    rays = np.zeros((h, w), np.float32)
    for k in range(9):
        ang = -0.5 + k * 0.11 + rng.uniform(-0.03, 0.03)
        d = (x - sun[0]) - (y - sun[1]) * ang
        rays += np.exp(-(d / (8 + 0.05 * (y - sun[1]).clip(0))) ** 2) * rng.uniform(0.06, 0.13)
    rays *= np.clip((y - sun[1]) / (160 * scale), 0, 1) ** 1.5
    img += col(255, 246, 200) * rays[..., None]
    return img


def pic_3000(w, h, rng):
    return finish(vignette(forest(h, w, rng), 0.3), rng, 0.012)


def pic_3001(w, h, rng):
    # a still forest lake: the far shore of firs mirrored under morning mist
    shore = 290
    img = np.zeros((h, w, 3), np.float32)
    img[:shore] = forest(shore, w, rng, layers=5, sun=(250, 40), scale=0.6)
    img[:shore] = img[:shore] * (0.75 + 0.25 * np.linspace(1, 0, shore)[:, None, None])
    img = reflect(img, shore, h, rng, 0.72, (0.9, 1.0, 1.0), 2.0)
    y, x = coords(h, w)
    mist = np.exp(-((y - shore) / 22.0) ** 2) * (0.6 + 0.4 * noise(rng, h, w, 20, 120))
    img = over(img, col(226, 238, 222), mist * 0.7)
    lily = np.clip((fbm(rng, h, w, 3, 12, 2) - 0.72) * 5, 0, 1) * (y > 420)
    img = over(img, col(60, 110, 60), lily)
    return finish(vignette(img, 0.3), rng, 0.01)


def birches(h, w, rng, count, bg):
    img = bg
    y, x = coords(h, w)
    for _ in range(count):
        bx, bw = rng.uniform(-10, w + 10), rng.uniform(6, 16)
        sway = 4 * np.sin(y / rng.uniform(90, 160) + rng.uniform(0, 6))
        inside = np.abs(x - bx - sway) < bw / 2
        u = (x - bx - sway) / (bw / 2)
        bark = col(232, 232, 220) * (1 - 0.35 * u ** 2)[..., None]
        marks = np.clip((noise(rng, h, w, 2.5, 7) - 0.74) * 6, 0, 1)
        bark = over(bark, col(70, 74, 64), marks * 0.8)
        img = np.where(inside[..., None], bark, img)
    return img


def pic_3002(w, h, rng):
    bg = forest(h, w, rng, layers=3, sun=(180, 20))
    img = birches(h, w, rng, 5, bg)
    fern = fbm(rng, h, w, 4, 8, 3)
    y = np.arange(h, dtype=np.float32)[:, None]
    a = np.clip((fern - 0.45) * 4, 0, 1) * np.clip((y - 390) / 40, 0, 1)
    img = over(img, col(44, 96, 44), a)
    return finish(vignette(img, 0.35), rng, 0.012)


def waterfall(h, w, rng, flow, shift=0.0):
    """Mossy cliff; `flow` 0..1 is how far down the fall has reached."""
    rock = fbm(rng, h, w, 30, 30, 5)
    img = col(34, 58, 40) * (0.6 + 0.8 * rock)[..., None]
    moss = np.clip((fbm(rng, h, w, 16, 16, 3) - 0.5) * 2, 0, 1)
    img = over(img, col(74, 116, 56), moss * 0.5)
    img += col(255, 250, 210) * (0.35 * glow(h, w, 160, 0, 160))[..., None]
    y, x = coords(h, w)
    cx = 106 + 6 * np.sin(y / 90.0)
    half = 26 + y * 0.04
    inside = np.clip(half - np.abs(x - cx), 0, 1)
    reach = np.clip((flow * (h + 40) - y) / 30.0, 0, 1)
    streak = noise(rng, h + 200, w, 60, 2.0)
    s = streak[200 - int(shift):200 - int(shift) + h]
    water = col(200, 230, 226) * (0.75 + 0.35 * s)[..., None]
    img = over(img, water, inside * reach * 0.95)
    pool = 430
    img = over(img, col(40, 90, 80), (y > pool) * 0.85)
    mist = np.exp(-((y - pool) / 26.0) ** 2) * np.exp(-((x - 106) / 70.0) ** 2) * reach.max()
    img = over(img, col(236, 244, 236), mist * 0.75 * flow)
    return img


def pic_3003(w, h, rng):
    return finish(vignette(waterfall(h, w, rng_for(3004, 1), 0.0), 0.35), rng, 0.01)


def pic_3004(w, h, rng, frames=5):
    h //= frames
    out = [vignette(waterfall(h, w, rng_for(3004, 1), (f + 1) / frames, f * 37.0), 0.35)
           for f in range(frames)]
    return finish(np.concatenate(out, 0), rng, 0.01)


# --------------------------------------------------------------- chapter 4: desert

DESERT_SKY = [(0, col(88, 120, 172)), (0.5, col(214, 170, 120)), (1, col(252, 214, 150))]


def dunes(h, w, rng, horizon, sun, count=5, sky=DESERT_SKY, light=col(240, 170, 90),
          shadow=col(150, 70, 40), scale=1.0, sun_r=13):
    img = vgrad(h, w, sky, 0, horizon)
    img = screen(img, col(255, 226, 160), 0.7 * glow(h, w, sun[0], sun[1], 90 * scale, 2.2))
    img = over(np.minimum(img, 1.0), col(255, 248, 228), disc(h, w, sun[0], sun[1], sun_r))
    y, x = coords(h, w)
    px = np.arange(w, dtype=np.float32)
    toward = 1.0 if sun[0] >= w / 2 else -1.0
    for i in range(count):
        t = i / max(count - 1, 1)
        crest_x = rng.uniform(0.1, 0.9) * w
        base = horizon + (h - horizon) * 0.8 * t ** 1.2
        amp = (14 + 60 * t) * scale
        line = base - amp * np.exp(-((px - crest_x) / ((110 + 190 * t) * scale)) ** 2) \
            - amp * 0.5 * profile(rng, w, 200 * scale, 3)
        slope = np.gradient(line) * toward          # > 0: the face turns to the sun
        lit = 0.5 + 0.5 * np.tanh(blur(slope[None, :], 3.0)[0] * 6.0 / scale)
        depth = np.clip((y - line[None, :]) / (80.0 * scale), 0, 1)
        s = lit[None, :] * (1 - depth) + 0.55 * depth
        body = shadow * (1 - s[..., None]) + light * s[..., None]
        haze = (1 - t) * 0.5
        body = body * (1 - haze) + col(246, 204, 156) * haze
        ripple = np.sin((y - line[None, :]) * 0.8 / scale + x * 0.05 + 5 * noise(rng, h, w, 10, 30))
        body = body * (1 + 0.035 * ripple * t)[..., None]
        a = below(h, w, line)
        img = img * (1 - a[..., None]) + body * a[..., None]
    return img


def pic_4000(w, h, rng):
    return finish(vignette(dunes(h, w, rng, 250, (470, 215)), 0.3), rng, 0.012)


def pic_4001(w, h, rng):
    # buttes against the evening sky
    img = vgrad(h, w, [(0, col(70, 60, 120)), (0.5, col(220, 120, 90)), (1, col(255, 200, 130))], 0, 330)
    img += col(255, 200, 120) * (0.5 * glow(h, w, 250, 330, 160, 2.5))[..., None]
    px = np.arange(w, dtype=np.float32)
    mesa = np.full(w, 334.0, np.float32)
    for x0, x1, top in [(40, 150, 210), (330, 410, 246), (470, 600, 190)]:
        cap = np.minimum(np.clip((px - x0) / 6, 0, 1), np.clip((x1 - px) / 6, 0, 1))
        skirt = np.minimum(np.clip((px - x0 + 40) / 46, 0, 1), np.clip((x1 + 40 - px) / 46, 0, 1))
        body = np.maximum(cap, skirt ** 1.6 * 0.55)
        mesa = np.minimum(mesa, 334 - (334 - top) * body - 2 * profile(rng, w, 6, 2))
    y, x = coords(h, w)
    strata = 0.85 + 0.15 * np.sin(y * 0.5 + 2 * noise(rng, h, w, 8, 60))
    rock = col(150, 62, 44) * strata[..., None] * (0.7 + 0.3 * np.clip((x - 200) / 400, 0, 1))[..., None]
    img = img * (1 - below(h, w, mesa)[..., None]) + rock * below(h, w, mesa)[..., None]
    ground = dunes(h, w, rng, 330, (250, 330), count=3, scale=0.8)
    img[330:] = ground[330:] * 0.95
    return finish(vignette(img, 0.3), rng, 0.012)


def pic_4002(w, h, rng):
    # a band of sky: sun high, streaks of cloud, fading to the horizon glow at its foot
    img = vgrad(h, w, [(0, col(60, 92, 150)), (0.7, col(200, 160, 120)), (1, col(246, 196, 134))])
    c = fbm(rng, h, w, 8, 200, 4)
    y = np.arange(h, dtype=np.float32)[:, None]
    a = np.clip((c - 0.5) * 3, 0, 1) * 0.7
    img = over(img, col(255, 210, 170) * 1.0, a * np.clip(y / h + 0.3, 0, 1))
    img = screen(img, col(255, 230, 170), 0.8 * glow(h, w, 520, 70, 60, 1.6))
    img = over(np.minimum(img, 1.0), col(255, 250, 232), disc(h, w, 520, 70, 15))
    img = vignette(img, 0.2)
    img[-1] *= 0.8
    return finish(img, rng, 0.01)


def pic_4003(w, h, rng):
    # close view of wind ripples on a dune face
    y, x = coords(h, w)
    warp = 18 * fbm(rng, h, w, 60, 60, 3)
    rip = np.sin((y + x * 0.3 + warp * 2.5) * 0.3)
    shade = (0.5 + 0.5 * np.clip(rip, -1, 1)) ** 1.4
    img = col(212, 136, 76) * (1 - shade[..., None]) + col(252, 200, 130) * shade[..., None]
    light = np.clip(1 - y / h * 0.6 - (w - x) / w * 0.3, 0.3, 1)
    img *= light[..., None]
    img += col(60, 30, 10) * (0.3 * fbm(rng, h, w, 3, 3, 2) - 0.15)[..., None]
    return finish(vignette(img, 0.35), rng, 0.015)


def pic_4006(w, h, rng, frames=14):
    h //= frames

    def frame(t):
        sun = (112 - 20 * t, 30 + 48 * t)
        sky = [(0, col(96 - 46 * t, 104 - 54 * t, 158 - 40 * t)),
               (0.65, col(232 - 20 * t, 160 - 50 * t, 110 - 40 * t)),
               (1, col(255, 206 - 40 * t, 140 - 30 * t))]
        img = dunes(h, w, rng_for(4006, 2), 74, sun, 3, sky, scale=0.3, sun_r=7,
                    light=col(240 - 40 * t, 168 - 50 * t, 90 - 30 * t),
                    shadow=col(140 - 40 * t, 64 - 20 * t, 44))
        return vignette(img, 0.25)
    return finish(film(frames, frame), rng, 0.01)


# --------------------------------------------------------------- chapter 5: night city

NIGHT_SKY = [(0, col(14, 8, 40)), (0.6, col(62, 30, 104)), (1, col(160, 76, 156))]
LIT = [col(255, 214, 140), col(255, 236, 196), col(200, 170, 255), col(150, 220, 255)]


def city(h, w, rng, base, moon=None, lit=0.35, far=True):
    img = vgrad(h, w, NIGHT_SKY, 0, base)
    img = over(img, col(255, 250, 240), stars(rng, h, w, int(w * h / 900), int(base * 0.7)))
    if moon:
        img += col(220, 200, 255) * (0.35 * glow(h, w, moon[0], moon[1], 60))[..., None]
        img = over(img, col(246, 240, 226), disc(h, w, moon[0], moon[1], 12))
        img = over(img, col(214, 206, 196) * 0.9, disc(h, w, moon[0] + 4, moon[1] - 3, 3) * 0.5)
    if far:
        boxes = skyline(rng, w, base, 80, 30, 90, 16, 40)
        img = draw_city(img, rng, boxes, base, col(56, 36, 92), LIT, lit * 0.5, (2, 2))
    boxes = skyline(rng, w, base, 60, 50, 200, 26, 70)
    img = draw_city(img, rng, boxes, base, col(24, 14, 44), LIT, lit, (3, 4))
    img += col(200, 90, 200) * (0.25 * np.exp(-((np.arange(h) - base) / 40.0) ** 2))[:, None, None]
    return img


def pic_5000(w, h, rng):
    img = city(h, w, rng, 360, moon=(520, 80))
    img = reflect(img, 360, h, rng, 0.6, (0.9, 0.85, 1.1), 5)
    return finish(vignette(img, 0.3), rng, 0.012)


def light_trails(h, w, rng, y0, y1, count, colours, phase=0.0):
    y, x = coords(h, w)
    field = np.zeros((h, w, 3), np.float32)
    for i in range(count):
        yy = y0 + (y1 - y0) * (i + 0.5) / count + 4 * np.sin(x / 120.0 + i)
        g = np.exp(-((y - yy) / 1.3) ** 2) * (0.6 + 0.4 * np.sin(x / 50.0 + phase + i * 2))
        field += colours[i % len(colours)] * g[..., None]
    return field


def pic_5001(w, h, rng):
    # the riverside road: light trails under the towers
    img = city(h, w, rng, 300, lit=0.45)
    img[300:] = vgrad(h - 300, w, [(0, col(40, 24, 64)), (1, col(12, 6, 24))])
    img += light_trails(h, w, rng, 310, 360, 6, [col(255, 80, 90), col(255, 230, 170)])
    img += light_trails(h, w, rng, 160, 320, 3, [col(190, 120, 255)]) * 0.0
    return finish(vignette(img, 0.25), rng, 0.012)


def pic_5002(w, h, rng):
    # the top band: sky, moon and the crowns of the towers
    img = vgrad(h, w, [(0, col(10, 6, 32)), (1, col(60, 28, 100))])
    img = over(img, col(255, 250, 240), stars(rng, h, w, 220, h))
    img += col(220, 200, 255) * (0.35 * glow(h, w, 120, 56, 50))[..., None]
    img = over(img, col(246, 240, 226), disc(h, w, 120, 56, 14))
    boxes = [b for b in skyline(rng, w, h + 40, 40, 60, 150, 24, 60) if b[2] < h]
    img = draw_city(img, rng, boxes, h, col(22, 12, 42), LIT, 0.3, (3, 4))
    return finish(img, rng, 0.012)


def pic_5003(w, h, rng):
    # the bottom band: the towers' lights drifting on the river
    img = vgrad(h, w, [(0, col(50, 26, 84)), (1, col(8, 4, 20))])
    y, x = coords(h, w)
    for _ in range(70):
        cx = rng.uniform(0, w)
        c = LIT[rng.integers(len(LIT))]
        wob = noise(rng, h, 1, 2.5, 1)[:, 0]
        a = np.exp(-((x - cx - 5 * (wob[:, None] - 0.5)) / rng.uniform(1.5, 4)) ** 2) \
            * np.clip(1 - y / rng.uniform(60, 150), 0, 1)
        a *= (noise(rng, h, w, 2.0, 30) > 0.35)
        img += c * (a * 0.5)[..., None]
    img = over(img, col(26, 14, 44), (y < 3) * 1.0)
    return finish(img, rng, 0.012)


def bokeh(h, w, rng, count, colours, dim=1.0):
    img = vgrad(h, w, [(0, col(30, 14, 56)), (1, col(10, 4, 24))])
    y, x = coords(h, w)
    for _ in range(count):
        cx, cy, r = rng.uniform(0, w), rng.uniform(0, h), rng.uniform(6, 22)
        c = colours[rng.integers(len(colours))]
        d = np.sqrt((x - cx) ** 2 + (y - cy) ** 2)
        a = np.clip(r - d, 0, 1) * (0.25 + 0.25 * np.clip(d / r, 0, 1)) * dim
        img += c * a[..., None]
    return img


def pic_5004(w, h, rng):
    img = bokeh(h, w, rng, 60, [col(255, 120, 200), col(180, 120, 255), col(255, 200, 130), col(120, 200, 255)])
    return finish(vignette(img, 0.3), rng, 0.01)


def pic_5008(w, h, rng):
    # last light of the night: the skyline under a sky turning rose, back toward dusk
    img = city(h, w, rng, 130, lit=0.2, far=False)
    sky = vgrad(130, w, [(0, col(44, 24, 84)), (0.6, col(150, 70, 130)), (1, col(246, 150, 120))])
    mask = (img[:130].sum(2) > 0.0) & (np.arange(130)[:, None] < 130)
    bld = vgrad(h, w, NIGHT_SKY, 0, 130)[:130]
    diff = np.abs(img[:130] - bld).sum(2) < 0.05
    img[:130][diff & mask] = sky[diff & mask]
    img[130:] = vgrad(h - 130, w, [(0, col(120, 60, 110)), (1, col(20, 10, 34))])
    return finish(vignette(img, 0.3), rng, 0.01)


def pic_5007(w, h, rng, frames=9):
    # a lit tram crossing the bridge
    h //= frames
    r = rng_for(5007, 1)
    base = vgrad(h, w, NIGHT_SKY, 0, 50)
    base = over(base, col(255, 250, 240), stars(r, h, w, 40, 30))
    base = draw_city(base, r, skyline(r, w, 50, 30, 8, 26, 8, 20), 50, col(44, 28, 80), LIT, 0.3, (1, 2))
    base[50:] = vgrad(h - 50, w, [(0, col(50, 26, 84)), (1, col(10, 6, 24))])
    base[47:50] = col(90, 70, 120)
    for px in range(6, w, 24):          # bridge piers
        base[50:h, px:px + 3] = col(30, 20, 50)

    def frame(t):
        img = base.copy()
        x0 = int(-60 + (w + 2) * t)
        for car in range(2):
            cx0 = x0 + car * 30
            xs0, xs1 = max(cx0, 0), min(cx0 + 28, w)
            if xs1 > xs0:
                img[37:47, xs0:xs1] = col(40, 32, 70)
            for wx in range(cx0 + 3, cx0 + 25, 5):
                if 0 <= wx and wx + 3 <= w:
                    img[39:44, wx:wx + 3] = col(255, 226, 150)
        y, x = coords(h, w)
        img += col(255, 200, 130) * (0.25 * np.exp(-((x - x0 - 30) / 30.0) ** 2)
                                     * np.exp(-((y - 58) / 10.0) ** 2))[..., None]
        return img
    return finish(film(frames, frame), rng, 0.008)


# --------------------------------------------------------------- lettering

def font(name, size):
    return ImageFont.truetype(FONT_DIR + name, size)


def fit_text(text, face, w, h, fill=0.86, spacing=0):
    """Largest size of `face` whose text fits w x h with the given margin."""
    best = None
    for size in range(6, 200):
        f = font(face, size)
        tw, th = text_box(text, f, spacing)
        if tw > w * fill or th > h * fill:
            break
        best = f
    return best


def text_box(text, f, spacing=0):
    if spacing:
        tw = sum(f.getlength(c) for c in text) + spacing * (len(text) - 1)
    else:
        tw = f.getlength(text)
    a, d = f.getmetrics()
    x0, y0, x1, y1 = f.getbbox(text)
    return tw, y1 - y0


def draw_text(im, text, f, cx, cy, level=255, spacing=0):
    d = ImageDraw.Draw(im)
    tw, th = text_box(text, f, spacing)
    y0 = f.getbbox(text)[1]
    x = cx - tw / 2.0
    y = cy - th / 2.0 - y0
    if spacing:
        for ch in text:
            d.text((x, y), ch, font=f, fill=level)
            x += f.getlength(ch) + spacing
    else:
        d.text((x, y), text, font=f, fill=level)


def logo(w, h, text, face, level=240, spacing_em=0.0, halo=0.0, fill=0.86):
    f = None
    for size in range(6, 200):
        trial = font(face, size)
        sp = spacing_em * size
        tw, th = text_box(text, trial, sp)
        if tw > w * fill or th > h * fill:
            break
        f = trial
    sp = spacing_em * f.size
    im = Image.new("L", (w, h), 0)
    draw_text(im, text, f, w / 2, h / 2, level, sp)
    a = np.asarray(im, np.float32)
    if halo:
        a = np.maximum(a, blur(a, 3.0) * halo)
    return a


def clean_black(a):
    # the ground must stay pure black, so faint halo fringes are cut off
    a = np.where(a < 10, 0, a)
    return np.clip(a + 0.5, 0, 255).astype(np.uint8)


def pic_logo(pid, w, h):
    if pid == 6000:
        a = logo(w, h, "VELTRONA  AVREL", "DejaVuSans.ttf", 236, 0.42, 0.4)
    elif pid == 6001:
        a = logo(w, h, "Tidewater", "DejaVuSerif.ttf", 240, 0.06, 0.5)
    elif pid == 6002:
        top = logo(w, 40, "INTO THE", "DejaVuSans.ttf", 200, 0.4, 0.0, 0.55)
        main = logo(w, 86, "Greenwood", "DejaVuSerif-Italic.ttf", 244, 0.02, 0.5, 0.92)
        a = np.vstack([top, main[:h - 40] if main.shape[0] >= h - 40 else main])
        a = np.vstack([a, np.zeros((h - a.shape[0], w), np.float32)])
    elif pid in (6003, 6004, 6005):
        # the name in three states: a whisper, then spoken, then glowing
        face, level, halo = {6003: ("DejaVuSans-ExtraLight.ttf", 150, 0.0),
                             6004: ("DejaVuSans.ttf", 206, 0.25),
                             6005: ("DejaVuSans-Bold.ttf", 250, 0.6)}[pid]
        a = logo(w, h, "Avrel", face, level, 0.12, halo, 0.8)
        if pid == 6005:
            a[h - 8:h - 6, 60:w - 60] = np.maximum(a[h - 8:h - 6, 60:w - 60], 170)
    elif pid == 6006:
        a = logo(w, h, "AMBER DUNES", "DejaVuSans.ttf", 236, 0.45, 0.4)
    elif pid == 6007:
        a = logo(w, h, "NIGHT CITY", "DejaVuSans.ttf", 236, 0.6, 0.4)
    elif pid == 6008:
        a = logo(w, h, "UNTIL DUSK AGAIN", "DejaVuSans.ttf", 230, 0.38, 0.4)
    return clean_black(a)


# --------------------------------------------------------------- corner logo

def emblem(size_w, size_h, assemble, reveal, glint=0.0, scale=4):
    """The Avrel emblem: a diamond of four petals around an 'A'.

    assemble 0..1 brings the petals in from the corners while they turn;
    reveal 0..1 lifts the emblem and writes AVREL under it.  Drawn at
    `scale` times the size and reduced, so edges stay soft.
    """
    W, H = size_w * scale, size_h * scale
    im = Image.new("L", (W, H), 0)
    d = ImageDraw.Draw(im)
    cx = W / 2
    cy = H / 2 - reveal * 9 * scale
    r = (17 - 4 * reveal) * scale
    e = 1 - (1 - assemble) ** 3          # ease out
    angle = (1 - e) * np.pi * 1.5
    spread = (1 - e) * 22 * scale
    grow = 0.35 + 0.65 * e
    for k in range(4):
        a0 = angle + k * np.pi / 2
        ux, uy = np.cos(a0), np.sin(a0)
        px, py = cx + ux * spread, cy + uy * spread
        # one petal: the triangle between the centre side and a tip of the diamond
        rr = r * grow
        tip = (px + ux * rr, py + uy * rr)
        s1 = (px + (ux * 0.25 - uy * 0.55) * rr, py + (uy * 0.25 + ux * 0.55) * rr)
        s2 = (px + (ux * 0.25 + uy * 0.55) * rr, py + (uy * 0.25 - ux * 0.55) * rr)
        level = int(40 + 200 * e)
        d.polygon([tip, s1, (px + ux * 0.45 * rr, py + uy * 0.45 * rr), s2], fill=level)
    if e > 0.55:
        f = font("DejaVuSans-Bold.ttf", int((15 - 3 * reveal) * scale))
        lv = int(255 * min(1.0, (e - 0.55) / 0.45))
        tw = f.getlength("A")
        b = f.getbbox("A")
        d.text((cx - tw / 2, cy - (b[3] + b[1]) / 2), "A", font=f, fill=lv)
    if reveal > 0:
        f = font("DejaVuSans.ttf", int(10 * scale))
        lv = int(230 * reveal)
        word = "AVREL"
        sp = 1.2 * scale
        tw = sum(f.getlength(c) for c in word) + sp * 4
        x = cx - tw / 2
        y = H - 13 * scale - f.getbbox(word)[1] + (1 - reveal) * 4 * scale
        for ch in word:
            d.text((x, y), ch, font=f, fill=lv)
            x += f.getlength(ch) + sp
    a = np.asarray(im.resize((size_w, size_h), Image.LANCZOS), np.float32)
    if glint > 0:
        yy, xx = coords(size_h, size_w)
        band = np.exp(-((xx + yy * 0.6 - glint * 120 + 10) / 5.0) ** 2)
        a = np.where(a > 40, np.minimum(255, a + band * 90), a)
    return a


def pic_9000(w, h):
    fh = h // 41
    frames = []
    for f in range(41):
        if f <= 35:
            # 0..34 assemble, 35 the finished emblem with a passing glint
            frames.append(emblem(w, fh, min(f / 34.0, 1.0), 0.0, 0.5 if f == 35 else 0.0))
        else:
            # 36..40 continue from the state of frame 30 into the titled emblem
            u = (f - 35) / 5.0
            frames.append(emblem(w, fh, 30 / 34.0 + (1 - 30 / 34.0) * u, u))
    return clean_black(np.vstack(frames))


# --------------------------------------------------------------- icon

def icon_pixels():
    """32x32 RGB emblem for the program icon (quantised to 16 colours later)."""
    a = emblem(32, 32, 1.0, 0.0) / 255.0
    y, x = coords(32, 32)
    warm = vgrad(32, 32, [(0, col(255, 214, 140)), (1, col(214, 92, 110))])
    img = warm * a[..., None]
    return finish(img), a > 0.25


PICTURES = {
    1000: pic_1000, 1001: pic_1001, 1007: pic_1007,
    2000: pic_2000, 2001: pic_2001, 2002: pic_2002, 2003: pic_2003, 2004: pic_2004,
    2007: pic_2007,
    3000: pic_3000, 3001: pic_3001, 3002: pic_3002, 3003: pic_3003, 3004: pic_3004,
    4000: pic_4000, 4001: pic_4001, 4002: pic_4002, 4003: pic_4003, 4006: pic_4006,
    5000: pic_5000, 5001: pic_5001, 5002: pic_5002, 5003: pic_5003, 5004: pic_5004,
    5007: pic_5007, 5008: pic_5008,
}

LINE_COLOURS = {   # (start, end, sheen) of each chapter's frame lines
    1005: (col(255, 214, 150), col(255, 236, 206), col(255, 250, 236), "x"),
    1006: (col(255, 226, 178), col(250, 196, 150), col(255, 248, 230), "y"),
    2005: (col(200, 236, 250), col(240, 250, 255), col(255, 255, 255), "x"),
    2006: (col(226, 246, 252), col(180, 222, 244), col(255, 255, 255), "y"),
    4004: (col(255, 206, 130), col(255, 232, 180), col(255, 246, 220), "x"),
    4005: (col(255, 226, 170), col(250, 190, 110), col(255, 246, 220), "y"),
    5005: (col(230, 190, 255), col(255, 200, 236), col(250, 240, 255), "x"),
    5006: (col(214, 200, 255), col(250, 190, 240), col(250, 240, 255), "y"),
}


def paint(pid, w, h):
    """Pixels of picture `pid` at its catalogue size."""
    rng = rng_for(pid)
    if pid in PICTURES:
        return PICTURES[pid](w, h, rng)
    if pid in (1002, 1003, 1004):
        return pic_tile(pid, w, h, rng)
    if pid in LINE_COLOURS:
        c0, c1, sheen, along = LINE_COLOURS[pid]
        return line_source(w, h, rng, c0, c1, sheen, along)
    if 6000 <= pid <= 6008:
        return pic_logo(pid, w, h)
    if pid == 9000:
        return pic_9000(w, h)
    raise KeyError(pid)
