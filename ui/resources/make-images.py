#!/usr/bin/env python3
"""Draws the program's pictures in the 16 standard Windows colours and writes them as .ico and .bmp.

tavelin.ico (113): an office whereabouts board on its stand, with name rows and coloured magnets.
row-icons-16.bmp, -24, -32 (126-128): the row icons as one strip per size, for 96, 144 and 192 DPI: the
  four states, an office building (社内), a house (帰宅), a clock (外出・戻り), an arrow out to a house
  (外出・直帰), then a person, the icon of a member with no plan (or a state typed freely). Fuchsia,
  used by no picture, is their transparent colour. One strip loads in one call; five icons took five.
toolbar.bmp (107): eight 16 x 15 buttons; the first, a circular refresh arrow, is the list update, the
  last four are the state pictures for the 自分の状態 buttons.
Run it from anywhere; it writes beside itself. Only the standard library is used.
"""
import os
import struct

# The 16-colour palette of Windows, as (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(16)
CLEAR = -1  # transparent pixel of an icon

# Letters used by the drawings below.
KEY = {".": CLEAR, "k": BLACK, "g": GRAY, "s": SILVER, "w": WHITE, "r": RED, "G": GREEN, "l": LIME,
       "b": BLUE, "n": NAVY, "y": YELLOW, "o": OLIVE, "t": TEAL, "a": AQUA, "m": MAROON}


def canvas(w, h, fill=CLEAR):
    return [[fill] * w for _ in range(h)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            img[y][x] = colour


def board(size):
    """A white board with a dark frame, name rows and magnets, standing on two legs."""
    img = canvas(size, size)
    s = size / 32.0
    p = lambda v: int(round(v * s))
    rect(img, p(5), p(22), p(6) if size > 16 else 3, size - 1, GRAY)        # left leg
    rect(img, p(25), p(22), p(26) if size > 16 else 12, size - 1, GRAY)     # right leg
    rect(img, 0, p(2), size - 1, p(24) - 1, BLACK)                         # frame
    rect(img, 1, p(2) + 1, size - 2, p(24) - 2, WHITE)                     # surface
    rect(img, 1, p(2) + 1, size - 2, p(2) + (2 if size > 16 else 1), NAVY)  # header band
    magnets = [RED, GREEN, BLUE, RED]
    rows = 4 if size > 16 else 3
    step = 4 if size > 16 else 2
    for i in range(rows):
        y = p(2) + (5 if size > 16 else 4) + i * step
        rect(img, 3, y, p(17), y, GRAY)                                     # a name row
        m = magnets[i % len(magnets)]
        x = p(21) + (i % 2) * p(4)
        rect(img, x, y - (1 if size > 16 else 0), x + (2 if size > 16 else 1), y, m)  # its magnet
    return img


def member(size):
    """Head and shoulders of a person."""
    img = canvas(size, size)
    c = (size - 1) / 2.0
    r_head = size * 0.2
    cy_head = size * 0.3
    for y in range(size):
        for x in range(size):
            dx, dy = x - c, y - cy_head
            if dx * dx + dy * dy <= r_head * r_head:
                img[y][x] = YELLOW if dx * dx + dy * dy < (r_head - 1.2) ** 2 else OLIVE
            body_top = size * 0.55
            if y >= body_top:
                half = size * 0.42 - max(0.0, (size * 0.72 - y) * 1.6)
                if abs(x - c) <= half:
                    img[y][x] = NAVY if abs(x - c) > half - 1.2 or y == size - 1 else BLUE
    return img


def disc(img, cx, cy, r, colour):
    for y in range(len(img)):
        for x in range(len(img[0])):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                img[y][x] = colour


def polygon(img, points, colour):
    """Fills the pixels whose centres lie inside the polygon (even-odd rule)."""
    for y in range(len(img)):
        for x in range(len(img[0])):
            px, py, inside = x + 0.5, y + 0.5, False
            for i in range(len(points)):
                (x0, y0), (x1, y1) = points[i], points[i - 1]
                if (y0 > py) != (y1 > py) and px < x0 + (py - y0) * (x1 - x0) / (y1 - y0):
                    inside = not inside
            if inside:
                img[y][x] = colour


def line(img, x0, y0, x1, y1, colour, width=1):
    steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
    for i in range(steps + 1):
        x = x0 + (x1 - x0) * i / steps
        y = y0 + (y1 - y0) * i / steps
        for dy in range(width):
            for dx in range(width):
                xi, yi = int(round(x - (width - 1) / 2 + dx)), int(round(y - (width - 1) / 2 + dy))
                if 0 <= yi < len(img) and 0 <= xi < len(img[0]):
                    img[yi][xi] = colour


def office(size):
    """社内: an office building with lit windows."""
    img = canvas(size, size)
    u = size / 16.0
    p = lambda v: int(round(v * u))
    rect(img, p(3), p(1), size - 1 - p(3), size - 1, NAVY)
    rect(img, p(3) + 1, p(1) + 1, size - 2 - p(3), size - 1, BLUE)
    for row in range(3):
        for col in range(2):
            x, y = p(5) + col * p(4), p(3) + row * p(3)
            rect(img, x, y, x + max(1, p(2)) - 1, y + max(1, p(2)) - 1, YELLOW)
    rect(img, p(7), size - p(3), size - 1 - p(7), size - 1, NAVY)  # door
    return img


def house(size, roof=RED):
    """帰宅: a house with a red roof."""
    img = canvas(size, size)
    u = size / 16.0
    polygon(img, [(0.5 * u, 8 * u), (8 * u, 1 * u), (15.5 * u, 8 * u)], roof)
    rect(img, int(3 * u), int(8 * u), size - 1 - int(3 * u), size - 1, BLACK)
    rect(img, int(3 * u) + 1, int(8 * u), size - 2 - int(3 * u), size - 2, WHITE)
    rect(img, int(7 * u), int(11 * u), size - 1 - int(7 * u), size - 2, MAROON)  # door
    return img


def clock(size):
    """外出・戻り: a clock, back at a time."""
    img = canvas(size, size)
    c = (size - 1) / 2.0
    disc(img, c, c, size / 2.0 - 0.3, NAVY)
    disc(img, c, c, size / 2.0 - 0.3 - max(1.0, size / 16.0), WHITE)
    w = max(1, size // 16)
    line(img, c, c, c, c - size * 0.32, BLACK, w)        # minute hand at 12
    line(img, c, c, c + size * 0.24, c, RED, w)          # hour hand at 3
    return img


def going_home(size):
    """外出・直帰: an arrow straight to a small house."""
    img = canvas(size, size)
    u = size / 16.0
    polygon(img, [(8 * u, 6 * u), (12 * u, 2 * u), (16 * u, 6 * u)], RED)
    rect(img, int(9 * u), int(6 * u), size - 1 - int(u), int(10 * u) - 1, BLACK)
    rect(img, int(9 * u) + 1, int(6 * u), size - 2 - int(u), int(10 * u) - 2, WHITE)
    shaft = max(1, int(round(2 * u)))
    rect(img, 0, int(12 * u) - shaft // 2, int(9 * u), int(12 * u) - shaft // 2 + shaft - 1, GREEN)
    polygon(img, [(8 * u, 8.5 * u), (13 * u, 12 * u), (8 * u, 15.5 * u)], GREEN)
    return img


STATE_ICONS = [office, house, clock, going_home]
ROW_SIZES = [16, 24, 32]


# Toolbar strip: refresh, a pencil, a gear, a question mark, then the four states. Silver is the button face.
BUTTONS = [
    [
        "ssssssssssssssss",
        "ssssssGGGGGsssss",
        "ssssGGlllllGGsss",
        "sssGlGGsssGGlGGs",
        "ssGlGsssssssGlGG",
        "ssGlGssssssGGlls",
        "sGlGssssssGlllls",
        "sGlGsssssssGGGGs",
        "sGlGssssssssssss",
        "sGlGssssssssGssS",
        "ssGlGssssssGlGss",
        "ssGlGGsssssGlGss",
        "sssGGlGGGGGlGsss",
        "ssssGGlllllGGsss",
        "ssssssGGGGGsssss",
    ],
    [
        "ssssssssssssssss",
        "sssssssssssskkss",
        "ssssssssssskrrks",
        "sssssssssskyrrrk",
        "ssssssssskyyyrks",
        "sssssssskyyyykss",
        "ssssssskyyyykss s",
        "sssssskyyyykssss",
        "ssssskyyyykssss s",
        "sssskyyyykssssss",
        "ssskoyyykkssssss",
        "ssskooykssssssss",
        "sskkookssssssss s",
        "sskkkksssssssss s",
        "ssssssssssssssss",
    ],
    [
        "ssssssssssssssss",
        "sssssssggssssssss",
        "ssssgsgkkgsgssss",
        "ssssgkkkkkkgssss",
        "sssgkkgsssgkkgss",
        "sssskgssssskgsss",
        "ssggkssssssskggs",
        "sskkksssssssskkk",
        "ssggkssssssskggs",
        "sssskgssssskgsss",
        "sssgkkgsssgkkgss",
        "ssssgkkkkkkgssss",
        "ssssgsgkkgsgssss",
        "sssssssggsssssss",
        "ssssssssssssssss",
    ],
    [
        "ssssssssssssssss",
        "sssssnnnnnssssss",
        "ssssnnbbbnnsssss",
        "sssnnbssbbnnssss",
        "sssnnssssbnnssss",
        "ssssssssnbnsssss",
        "sssssssnbnssssss",
        "ssssssnbnsssssss",
        "ssssssnnnsssssss",
        "ssssssnnnsssssss",
        "ssssssssssssssss",
        "ssssssnnnsssssss",
        "ssssssnbnsssssss",
        "ssssssnnnsssssss",
        "ssssssssssssssss",
    ],
]


def button(rows):
    img = []
    for row in rows:
        row = row.replace(" ", "")[:16].ljust(16, "s")
        img.append([SILVER if ch in "sS" else KEY[ch] for ch in row])
    return img[:15]


def state_button(draw):
    """A state picture on the button face, its last row left off (the buttons are 15 high)."""
    return [[SILVER if v == CLEAR else v for v in row] for row in draw(16)[1:]]


def dib_header(w, h, image_height):
    row = ((w * 4 + 31) // 32) * 4
    return struct.pack("<IiiHHIIiiII", 40, w, image_height, 1, 4, 0, row * h, 0, 0, 16, 0)


def palette_bytes():
    return b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in PALETTE)


def pixels_4bit(img, background):
    """Bottom-up rows of 4-bit indices, each padded to 32 bits."""
    out = b""
    for row in reversed(img):
        vals = [background if v == CLEAR else v for v in row]
        if len(vals) % 2:
            vals.append(0)
        data = bytes((vals[i] << 4) | vals[i + 1] for i in range(0, len(vals), 2))
        out += data + b"\0" * ((-len(data)) % 4)
    return out


def mask_1bit(img):
    """The AND mask: 1 where the icon is transparent."""
    out = b""
    for row in reversed(img):
        bits = 0
        data = bytearray()
        for i, v in enumerate(row):
            bits = (bits << 1) | (1 if v == CLEAR else 0)
            if i % 8 == 7:
                data.append(bits)
                bits = 0
        out += bytes(data) + b"\0" * ((-len(data)) % 4)
    return out


def icon_file(images):
    entries, blobs = b"", b""
    offset = 6 + 16 * len(images)
    for img in images:
        size = len(img)
        blob = dib_header(size, size, size * 2) + palette_bytes() + pixels_4bit(img, BLACK) + mask_1bit(img)
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
        blobs += blob
    return struct.pack("<HHH", 0, 1, len(images)) + entries + blobs


def bitmap_file(img, background=SILVER):
    w, h = len(img[0]), len(img)
    body = dib_header(w, h, h) + palette_bytes() + pixels_4bit(img, background)
    return struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, 14 + 40 + 64) + body


def side_by_side(pictures):
    return [sum((picture[y] for picture in pictures), []) for y in range(len(pictures[0]))]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    pictures = [button(b) for b in BUTTONS] + [state_button(draw) for draw in STATE_ICONS]
    strip = side_by_side(pictures)
    outputs = {
        "tavelin.ico": icon_file([board(32), board(16)]),
        "toolbar.bmp": bitmap_file(strip),
    }
    for n in ROW_SIZES:
        row_icons = [draw(n) for draw in STATE_ICONS + [member]]
        outputs["row-icons-%d.bmp" % n] = bitmap_file(side_by_side(row_icons), FUCHSIA)
    for name, data in outputs.items():
        with open(os.path.join(here, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
