#!/usr/bin/env python3
"""Draws QUILL32's own art and writes it beside this script:
  Quillet.ico          icon 52, a yellow note with a folded corner (16, 32, 48 px)
  CaptionButtons.bmp   bitmap 103, the cells a note caption copies from:
                       (0,0) 11x12 alarm clock, (26,0) 11x12 padlock,
                       (0,32) and (32,32) 32x32 system-menu box, normal and pressed,
                       (0,64) and (16,64) 17x17 system-menu box, normal and pressed
                       (the small boxes share column 16, drawn dark in both).
  Attach*.tga          TGA pictures (resource type 777, by name) of the window
                       picker's corner marks, 32x32: "ATTACHTOPLEFT",
                       "ATTACHTOPRIGHT", "ATTACHBOTTOMLEFT", "ATTACHBOTTOMRIGHT".
  Magnet*.tga          TGA pictures (type 777, by name) of the note frame's
                       docking guides, 24x24: "MAGNETTOP", "MAGNETBOTTOM",
                       "MAGNETLEFT", "MAGNETRIGHT", a bar on the docking edge
                       with an arrow pointing at it.
  LinkHand.cur         cursor 149, a pointing hand over the note editor's
                       links, 32x32, hot spot on the fingertip.
  Picker.cur           cursor 160, the window picker's cross-hair in a ring,
                       32x32, hot spot in the middle.
  MenuImages.bmp       bitmap 146, the owner-drawn menus' images: 35 cells of
                       16x15 on 0xC0C0C0 (the mask colour), the cell's place
                       its image index; cells 1 and 31 are empty.
  MenuImagesGrayed.bmp bitmap 168, the same cells as grayed items show them.
  Tray.ico             icon 167, the tray icon: the note with a blue pen
                       stroke across it (16, 32, 48 px).
  TrayAlarm1.ico       icons 125 and 126, the two phases an alarm blinks in:
  TrayAlarm2.ico       the note with a red bell, and the bell lit on red.
  ToolbarGlyphs.bmp    bitmap 102, the toolbar's 11 glyphs of 16x15, 4-bit in
                       the six key colours the toolbar recolours.
  Finder*.ico          icons 161 and 162, the attach dialog's finder tool:
                       a framed square with the picker's cross-hair in it
                       ("FinderWithTarget") and without ("FinderEmpty").
  Task*.ico            the jump-list tasks' icons 138 (new note, a green plus),
                       168 (organizer, stacked notes), 169 (show/hide, half
                       greyed), 170 (preferences, a ticked box); 16, 32, 48 px.
  SortDescending.bmp   bitmaps 140 and 141, the organizer's sort marks beside a
  SortAscending.bmp    column title, 9x6 on 0xC0C0C0 (mapped to the button face):
                       a triangle pointing down (flag 0) and up (flag 1).
  NetSendImages.bmp    bitmap 135, ten 16x16 images on magenta (the mask):
                       0-2 a transfer sending, sent, failed; 3-6 a note with
                       and without an alarm, shown and hidden; 7 and 8 the
                       organizer's group and status column heads; 9 the frame
                       round a group's colour swatch.
  GroupSwatch.bmp      bitmap 6000, the group list's images: ten 16x16 cells
                       on magenta (the mask), 0-8 empty; 9 a one-pixel frame
                       round the 10x10 hole at (3, 3) the swatch shows in.
  AboutNote.bmp        bitmap 129, the About box's picture beside its text
                       (first rich-edit library): the note at 64x64 on the
                       dialog face.
Run it again after changing a drawing; the build uses the committed files."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

NOTE = (0xFF, 0xE4, 0x6B)
NOTE_EDGE = (0xC8, 0x9B, 0x1E)
FOLD = (0xF0, 0xC8, 0x3C)
INK = (0x5A, 0x4A, 0x2A)
FACE = (0xC0, 0xC0, 0xC0)
SHADOW = (0x80, 0x80, 0x80)
LIGHT = (0xFF, 0xFF, 0xFF)
DARK = (0x40, 0x40, 0x40)
RED = (0xC0, 0x20, 0x20)
MARK = (0x1E, 0x64, 0xC8)

# The alpha windows read a TGA resource cut at 50,000 bytes: 18 of header and
# 4 per pixel leave room for 12,495 pixels (111 x 111 fits, 112 x 112 not).
TGA_MAX_PIXELS = (50000 - 18) // 4


class Canvas:
    def __init__(self, width, height, fill=None):
        self.width, self.height = width, height
        # RGB, RGBA (straight alpha) or None (transparent)
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, rgb):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = rgb

    def rect(self, x0, y0, x1, y1, rgb):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, rgb)

    def hline(self, x0, x1, y, rgb):
        self.rect(x0, y, x1, y + 1, rgb)

    def vline(self, x, y0, y1, rgb):
        self.rect(x, y0, x + 1, y1, rgb)


def draw_note(canvas, ox, oy, size):
    """A square note with its lower-right corner folded over, and lines of text."""
    fold = max(3, size // 4)
    last = size - 1
    cut = 2 * last - fold  # x + y beyond this is cut away
    for y in range(size):
        for x in range(size):
            if x + y > cut:
                continue
            if x in (0, last) or y in (0, last) or x + y == cut:
                colour = NOTE_EDGE
            elif x > last - fold and y > last - fold:
                colour = FOLD  # the flap folded over the note
            else:
                colour = NOTE
            canvas.put(ox + x, oy + y, colour)
    step = max(2, size // 6)
    for line, y in enumerate(range(step + 1, last - fold, step)):
        right = last - step - (line % 2) * step
        canvas.hline(ox + step, ox + max(step + 1, right), oy + y, INK)


def draw_clock(canvas, ox, oy):
    rows = ["...XXXXX...",
            "..X.....X..",
            ".X...X...X.",
            "X....X....X",
            "X....X....X",
            "X....XXX..X",
            "X.........X",
            "X.........X",
            ".X.......X.",
            "..X.....X..",
            "...XXXXX...",
            ".XX.....XX."]
    paint(canvas, ox, oy, rows, {"X": RED})


def draw_padlock(canvas, ox, oy):
    rows = ["...XXXXX...",
            "..X.....X..",
            "..X.....X..",
            "..X.....X..",
            ".XXXXXXXXX.",
            ".XXXXXXXXX.",
            ".XXXX.XXXX.",
            ".XXX...XXX.",
            ".XXXX.XXXX.",
            ".XXXX.XXXX.",
            ".XXXXXXXXX.",
            ".XXXXXXXXX."]
    paint(canvas, ox, oy, rows, {"X": DARK})


def paint(canvas, ox, oy, rows, colours):
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch in colours:
                canvas.put(ox + x, oy + y, colours[ch])


def draw_box(canvas, ox, oy, size, pressed):
    """A system-menu box: a button face with a small note on it."""
    canvas.rect(ox, oy, ox + size, oy + size, FACE)
    top_left, bottom_right = (DARK, LIGHT) if pressed else (LIGHT, DARK)
    canvas.hline(ox, ox + size, oy, top_left)
    canvas.vline(ox, oy, oy + size, top_left)
    canvas.hline(ox, ox + size, oy + size - 1, bottom_right)
    canvas.vline(ox + size - 1, oy, oy + size, bottom_right)
    if size > 20:
        canvas.hline(ox + 1, ox + size - 1, oy + size - 2, SHADOW if not pressed else FACE)
        canvas.vline(ox + size - 2, oy + 1, oy + size - 1, SHADOW if not pressed else FACE)
    inner = size * 5 // 8
    shift = 1 if pressed else 0
    draw_note(canvas, ox + (size - inner) // 2 + shift, oy + (size - inner) // 2 + shift, inner)


def caption_buttons():
    canvas = Canvas(64, 96, LIGHT)
    draw_clock(canvas, 0, 0)
    draw_padlock(canvas, 26, 0)
    draw_box(canvas, 0, 32, 32, False)
    draw_box(canvas, 32, 32, 32, True)
    draw_box(canvas, 0, 64, 17, False)
    draw_box(canvas, 16, 64, 17, True)
    canvas.vline(16, 64, 64 + 17, DARK)  # the shared column
    return canvas


def corner_mark():
    """The top-left corner mark: a bracket along the two edges and an arrow
    pointing into the corner, each with a softer rim; the others are its
    mirrors."""
    canvas = Canvas(32, 32)
    for y in range(26):
        for x in range(26):
            if x < 6 or y < 6:
                canvas.put(x, y, MARK + (230,))
            elif x > 7 and y > 7 and x + y < 24:
                canvas.put(x, y, MARK + (200,))
    soften_rim(canvas, 150)
    return canvas


def soften_rim(canvas, alpha):
    """Pixels on the canvas edge or beside a transparent one take the alpha."""
    def empty(x, y):
        inside = 0 <= x < canvas.width and 0 <= y < canvas.height
        return not inside or canvas.pixels[y][x] is None
    rim = [(x, y) for y in range(canvas.height) for x in range(canvas.width)
           if canvas.pixels[y][x] is not None
           and any(empty(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))]
    for x, y in rim:
        canvas.pixels[y][x] = canvas.pixels[y][x][:3] + (alpha,)


def mirrored(canvas, horizontal, vertical):
    result = Canvas(canvas.width, canvas.height)
    for y in range(canvas.height):
        for x in range(canvas.width):
            sx = canvas.width - 1 - x if horizontal else x
            sy = canvas.height - 1 - y if vertical else y
            result.pixels[y][x] = canvas.pixels[sy][sx]
    return result


def tga_32(canvas):
    """Uncompressed true colour, 32 bits, descriptor 8 (8 alpha bits, rows
    from the bottom), pixels B, G, R, A with straight alpha."""
    assert canvas.width * canvas.height <= TGA_MAX_PIXELS, "too large for the 50,000-byte read"
    header = struct.pack("<BBB5sHHHHBB", 0, 0, 2, bytes(5), 0, 0, canvas.width, canvas.height, 32, 8)
    pixels = bytearray()
    for y in reversed(range(canvas.height)):
        for x in range(canvas.width):
            pixel = canvas.pixels[y][x]
            if pixel is None:
                pixels += bytes(4)
            else:
                r, g, b = pixel[:3]
                pixels += bytes([b, g, r, pixel[3] if len(pixel) > 3 else 0xFF])
    return header + bytes(pixels)


def bmp_24(canvas):
    stride = (canvas.width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(canvas.height)):
        row = bytearray()
        for x in range(canvas.width):
            r, g, b = (canvas.pixels[y][x] or LIGHT)[:3]
            row += bytes([b, g, r])
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def icon_image(canvas):
    size = canvas.width
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        row_mask = bytearray(mask_stride)
        for x in range(size):
            pixel = canvas.pixels[y][x]
            if pixel is None:
                colour += bytes(4)
                row_mask[x // 8] |= 0x80 >> (x % 8)
            else:
                colour += bytes([pixel[2], pixel[1], pixel[0], 0xFF])
        mask += row_mask
    return info + bytes(colour) + bytes(mask)


def icon_file(canvases):
    images = [icon_image(c) for c in canvases]
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for canvas, image in zip(canvases, images):
        side = canvas.width if canvas.width < 256 else 0
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return header + entries + b"".join(images)


# ---- The window picker's cursor ----

PICKER_HOTSPOT = (15, 15)


def picker_cursor():
    """A ring with a cross-hair through it, dark on a light rim so it shows
    over any window; the hot spot is the cross's centre."""
    canvas = Canvas(32, 32)
    cx, cy = PICKER_HOTSPOT
    ink = []
    for y in range(32):
        for x in range(32):
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            on_ring = 9 ** 2 <= d2 <= 11 ** 2
            on_cross = (x == cx and abs(y - cy) <= 14) or (y == cy and abs(x - cx) <= 14)
            if (on_ring or on_cross) and not d2 <= 1:
                ink.append((x, y))
    for x, y in ink:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                canvas.put(x + dx, y + dy, LIGHT)
    for x, y in ink:
        canvas.put(x, y, (0, 0, 0))
    return canvas


def cursor_file(canvas, hotspot):
    """One 32-bit image with its mask, as an icon file whose entry holds the
    hot spot in place of planes and bit count."""
    image = icon_image(canvas)
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", canvas.width, canvas.height, 0, 0, hotspot[0], hotspot[1], len(image), 6 + 16)
    return header + entry + image


def magnet_guide():
    """The top guide: a bar along the top edge and an arrow up to it; the
    others are its turns."""
    canvas = Canvas(24, 24)
    canvas.rect(2, 0, 22, 4, MARK + (240,))
    for row in range(8):
        canvas.hline(12 - row - 1, 12 + row + 1, 6 + row, MARK + (210,))
    canvas.rect(9, 14, 15, 22, MARK + (210,))
    soften_rim(canvas, 140)
    return canvas


def turned(canvas, quarter_turns):
    """Turned clockwise by quarter turns (a square canvas)."""
    result = canvas
    for _ in range(quarter_turns % 4):
        turn = Canvas(result.width, result.height)
        for y in range(result.height):
            for x in range(result.width):
                turn.pixels[x][result.width - 1 - y] = result.pixels[y][x]
        result = turn
    return result


def write_magnet_art():
    guide = magnet_guide()
    for name, quarter_turns in (("MagnetTop", 0), ("MagnetBottom", 2), ("MagnetLeft", 3), ("MagnetRight", 1)):
        with open(os.path.join(HERE, name + ".tga"), "wb") as f:
            f.write(tga_32(turned(guide, quarter_turns)))


def write_picker_art():
    with open(os.path.join(HERE, "Picker.cur"), "wb") as f:
        f.write(cursor_file(picker_cursor(), PICKER_HOTSPOT))


def app_icon(size):
    canvas = Canvas(size, size)
    margin = max(1, size // 16)
    draw_note(canvas, margin, margin, size - 2 * margin)
    return canvas


# ---- cursor 149: the note editor's hand over links

LINK_HAND_HOTSPOT = (9, 1)


def link_hand():
    """A white hand with a dark outline, the index finger pointing up."""
    rows = ["........XX......",
            ".......X..X.....",
            ".......X..X.....",
            ".......X..X.....",
            ".......X..X.....",
            ".......X..XXX...",
            ".......X..X..XX.",
            ".......X..X..X.XX",
            "...XX..X..X..X.X.X",
            "..X..X.X.....X.X.X",
            "..X...XX.........X",
            "...X..X..........X",
            "...X.............X",
            "....X............X",
            "....X...........X.",
            ".....X..........X.",
            ".....X.........X..",
            "......X........X..",
            "......XXXXXXXXXX.."]
    canvas = Canvas(32, 32)
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch == "X":
                canvas.put(x + 1, y, DARK)
    # Fill each row between its outline pixels.
    for y in range(len(rows)):
        xs = [x for x in range(32) if canvas.pixels[y][x] is not None]
        if len(xs) >= 2:
            for x in range(xs[0] + 1, xs[-1]):
                if canvas.pixels[y][x] is None:
                    canvas.put(x, y, LIGHT)
    return canvas


# ---- The owner-drawn menus' image strips ----

MENU_CELL_WIDTH, MENU_CELL_HEIGHT, MENU_CELLS = 16, 15, 35
MENU_MASK = (0xC0, 0xC0, 0xC0)
MENU_INK = (0x20, 0x20, 0x20)
MENU_GREEN = (0x20, 0x90, 0x30)
MENU_GRAY_SHADOW = (0x80, 0x80, 0x80)
MENU_GRAY_LIGHT = (0xFF, 0xFF, 0xFF)
# The note colours as the note menu's colour commands set them.
NOTE_COLOURS = {5: (0xFF, 0xFF, 0xB6), 6: (0xC0, 0xF2, 0xFD), 7: (0xFE, 0xC0, 0xFE),
                8: (0xC5, 0xCC, 0xFE), 9: (0xBD, 0xF4, 0xB7), 10: (0xFC, 0xFC, 0xFC)}

MENU_PALETTE = {"K": MENU_INK, "W": LIGHT, "G": SHADOW, "D": DARK, "R": RED, "B": MARK, "N": NOTE,
                "E": NOTE_EDGE, "F": FOLD, "V": MENU_GREEN, "Y": (0xFF, 0xD0, 0x20),
                "P": (0xC0, 0x40, 0xC0)}

MENU_ROW_ART = {
    2: ["                ",  # preferences: a gear
        "      KKKK      ",
        "   KK KGGK KK   ",
        "  KGGKKGGKKGGK  ",
        "  KGGGGGGGGGGK  ",
        "   KGGGKKGGGK   ",
        " KKKGGK  KGGKKK ",
        " KGGGK    KGGGK ",
        " KGGGK    KGGGK ",
        " KKKGGK  KGGKKK ",
        "   KGGGKKGGGK   ",
        "  KGGGGGGGGGGK  ",
        "  KGGKKGGKKGGK  ",
        "   KK KGGK KK   ",
        "      KKKK      "],
    3: ["                ",  # save: a disk
        " KKKKKKKKKKKKK  ",
        " KBKWWWWWWWKBBK ",
        " KBKWWWWWWWKBBK ",
        " KBKWWWWWWWKBBK ",
        " KBKWWWWWWWKBBK ",
        " KBBKKKKKKKBBBK ",
        " KBBBBBBBBBBBBK ",
        " KBBKKKKKKKKBBK ",
        " KBBKWWWWWWKBBK ",
        " KBBKWWKKWWKBBK ",
        " KBBKWWKKWWKBBK ",
        " KBBKWWWWWWKBBK ",
        " KKKKKKKKKKKKKK ",
        "                "],
    4: ["                ",  # help: a question mark in a circle
        "     BBBBBB     ",
        "   BBBBBBBBBB   ",
        "  BBBBWWWWBBBB  ",
        "  BBBWWBBWWBBB  ",
        " BBBBBBBBWWBBBB ",
        " BBBBBBBWWBBBBB ",
        " BBBBBBWWBBBBBB ",
        " BBBBBBWWBBBBBB ",
        " BBBBBBBBBBBBBB ",
        "  BBBBBWWBBBBB  ",
        "  BBBBBWWBBBBB  ",
        "   BBBBBBBBBB   ",
        "     BBBBBB     ",
        "                "],
    15: ["                ",  # cut: scissors
         "   K       K    ",
         "   K       K    ",
         "   KK     KK    ",
         "    K     K     ",
         "    KK   KK     ",
         "     K   K      ",
         "     KK KK      ",
         "      KKK       ",
         "      RKR       ",
         "    RRR RRR     ",
         "   R  R R  R    ",
         "   R  R R  R    ",
         "   R  R R  R    ",
         "    RR   RR     "],
    16: [" KKKKKKK        ",  # copy: two pages
         " KWWWWWK        ",
         " KWKKKWK        ",
         " KWWWWWK        ",
         " KWKKKKKKKKK    ",
         " KWWWWKWWWWKK   ",
         " KWKKKKWKKWKWK  ",
         " KWWWWKWWWWKKKK ",
         " KKKKKKWKKKKWWK ",
         "      KWWWWWWWK ",
         "      KWKKKKKWK ",
         "      KWWWWWWWK ",
         "      KWKKKKKWK ",
         "      KWWWWWWWK ",
         "      KKKKKKKKK "],
    17: ["     KKKKK      ",  # paste: a clipboard with a page
         " KKKKGWWWGKKKK  ",
         " KEEKKKKKKKEEK  ",
         " KEEEEEEEEEEEK  ",
         " KEEEEKKKKKKKKK ",
         " KEEEEKWWWWWWWK ",
         " KEEEEKWKKKKKWK ",
         " KEEEEKWWWWWWWK ",
         " KEEEEKWKKKKKWK ",
         " KEEEEKWWWWWWWK ",
         " KEEEEKWKKKKWWK ",
         " KEEEEKWWWWWWWK ",
         " KKKKKKWWWWWWWK ",
         "      KKKKKKKKK ",
         "                "],
    18: ["                ",  # print: a printer
         "    KKKKKKKK    ",
         "    KWWWWWWK    ",
         "    KWKKKKWK    ",
         "    KWWWWWWK    ",
         "  KKKKKKKKKKKK  ",
         " KGGGGGGGGGGGGK ",
         " KGGGGGGGGGVVGK ",
         " KGGGGGGGGGGGGK ",
         " KDDDDDDDDDDDDK ",
         " KGGKWWWWWWKGGK ",
         "  KKKWKKKKWKKK  ",
         "    KWWWWWWK    ",
         "    KKKKKKKK    ",
         "                "],
    19: ["                ",  # the check mark
         "                ",
         "                ",
         "           KK   ",
         "          KKK   ",
         "         KKK    ",
         "   K    KKK     ",
         "   KK  KKK      ",
         "   KKKKKK       ",
         "    KKKK        ",
         "     KK         ",
         "                ",
         "                ",
         "                ",
         "                "],
    23: ["                ",  # bold
         "                ",
         "  KKKKKKKKK     ",
         "   KKK   KKK    ",
         "   KKK   KKK    ",
         "   KKK   KKK    ",
         "   KKKKKKKK     ",
         "   KKK   KKK    ",
         "   KKK    KKK   ",
         "   KKK    KKK   ",
         "   KKK   KKK    ",
         "  KKKKKKKKK     ",
         "                ",
         "                ",
         "                "],
    24: ["                ",  # italic
         "                ",
         "        KKKKK   ",
         "          KK    ",
         "         KK     ",
         "         KK     ",
         "        KK      ",
         "        KK      ",
         "       KK       ",
         "       KK       ",
         "      KK        ",
         "    KKKKK       ",
         "                ",
         "                ",
         "                "],
    25: ["                ",  # underline
         "  KKKK   KKKK   ",
         "   KK     KK    ",
         "   KK     KK    ",
         "   KK     KK    ",
         "   KK     KK    ",
         "   KK     KK    ",
         "   KK     KK    ",
         "   KK     KK    ",
         "    KK   KK     ",
         "     KKKKK      ",
         "                ",
         "  KKKKKKKKKKK   ",
         "                ",
         "                "],
    26: ["                ",  # strikethrough
         "                ",
         "     KKKKKK     ",
         "    KK    KK    ",
         "    KK          ",
         "     KK         ",
         "      KKKK      ",
         "  RRRRRRRRRRRR  ",
         "          KK    ",
         "          KK    ",
         "    KK    KK    ",
         "     KKKKKK     ",
         "                ",
         "                ",
         "                "],
    27: ["                ",  # adjust colour: a palette
         "     KKKKKK     ",
         "   KKWWWWWWKK   ",
         "  KWWRRWWBBWWK  ",
         " KWWWRRWWBBWWWK ",
         " KWYYWWWWWWWWWK ",
         " KWYYWWWWWWVVWK ",
         " KWWWWWKKWWVVWK ",
         " KWPPWK  KWWWWK ",
         " KWPPWK  KWWWK  ",
         "  KWWWWKKWWWK   ",
         "   KKWWWWWWK    ",
         "     KKKKKK     ",
         "                ",
         "                "],
    32: ["                ",  # quick search: a magnifier
         "   KKKKK        ",
         "  KWWWWWK       ",
         " KWWBWWWWK      ",
         " KWBWWWWWK      ",
         " KWWWWWWWK      ",
         " KWWWWWWWK      ",
         " KWWWWWWWK      ",
         "  KWWWWWKK      ",
         "   KKKKKKDK     ",
         "         KDK    ",
         "          KDK   ",
         "           KDK  ",
         "            KK  ",
         "                "],
    33: ["                ",  # note organizer: a window with a list
         " KKKKKKKKKKKKKK ",
         " KBBBBBBBBBBBBK ",
         " KKKKKKKKKKKKKK ",
         " KWWWWWWWWWWWWK ",
         " KWYYWKKKKKKWWK ",
         " KWYYWWWWWWWWWK ",
         " KWWWWWWWWWWWWK ",
         " KWYYWKKKKKWWWK ",
         " KWYYWWWWWWWWWK ",
         " KWWWWWWWWWWWWK ",
         " KWYYWKKKKKKKWK ",
         " KWYYWWWWWWWWWK ",
         " KKKKKKKKKKKKKK ",
         "                "],
}


def menu_paint_rows(canvas, ox, rows):
    paint(canvas, ox, 0, rows, MENU_PALETTE)


def menu_note(canvas, ox, oy, size, faded=False):
    """A small note; a hidden one is drawn faded, as an outline."""
    if not faded:
        draw_note(canvas, ox, oy, size)
        return
    fold = max(3, size // 4)
    last = size - 1
    cut = 2 * last - fold
    for y in range(size):
        for x in range(size):
            if x + y <= cut and (x in (0, last) or y in (0, last) or x + y == cut):
                canvas.put(ox + x, oy + y, SHADOW)


def menu_clock(canvas, ox, oy):
    """A 7x7 alarm clock for the note list's alarm images."""
    rows = [" RRRRR ",
            "RWWKWWR",
            "RWWKWWR",
            "RWWKKWR",
            "RWWWWWR",
            "RWWWWWR",
            " RRRRR "]
    paint(canvas, ox, oy, rows, MENU_PALETTE)


def menu_colour_note(canvas, ox, colour):
    canvas.rect(ox + 2, 2, ox + 14, 14, colour)
    for x0, y0, x1, y1 in ((2, 1, 14, 2), (2, 14, 14, 15), (1, 2, 2, 14), (14, 2, 15, 14)):
        canvas.rect(ox + x0, y0, ox + x1, y1, DARK)


def menu_lines(canvas, ox, lefts, rights):
    """Four text lines for the alignment images."""
    for row, (left, right) in enumerate(zip(lefts, rights)):
        canvas.hline(ox + left, ox + right, 3 + row * 3, MENU_INK)


def menu_list(canvas, ox, marker):
    """Three list lines after a marker: "number", "bullet" or "letter"."""
    marks = {"number": ([" K ", "KK ", " K ", "KKK"], ["KK ", "  K", " K ", "KKK"], ["KKK", " KK", "  K", "KKK"]),
             "letter": ([" KK", "K K", "K K", " KK"], ["K  ", "KK ", "K K", "KK "], [" KK", "K  ", "K  ", " KK"])}
    for row in range(3):
        top = 1 + row * 5
        if marker == "bullet":
            canvas.rect(ox + 2, top + 1, ox + 4, top + 3, MARK)
        else:
            paint(canvas, ox + 1, top, marks[marker][row], MENU_PALETTE)
        canvas.hline(ox + 6, ox + 15, top + 2, MENU_INK)


def menu_cell(canvas, index):
    ox = index * MENU_CELL_WIDTH
    if index in MENU_ROW_ART:
        menu_paint_rows(canvas, ox, MENU_ROW_ART[index])
    elif index == 0:  # new note: a note with a green plus
        menu_note(canvas, ox + 1, 3, 11)
        canvas.rect(ox + 12, 0, ox + 13, 5, MENU_GREEN)
        canvas.rect(ox + 10, 2, ox + 15, 3, MENU_GREEN)
    elif index in NOTE_COLOURS:
        menu_colour_note(canvas, ox, NOTE_COLOURS[index])
    elif index in (11, 12):  # a note with an alarm, visible or hidden
        menu_note(canvas, ox + 1, 2, 12, faded=index == 12)
        menu_clock(canvas, ox + 8, 7)
    elif index in (13, 14):  # a note, visible or hidden
        menu_note(canvas, ox + 2, 1, 13, faded=index == 14)
    elif index == 20:
        menu_lines(canvas, ox, (2, 2, 2, 2), (14, 10, 14, 8))
    elif index == 21:
        menu_lines(canvas, ox, (2, 4, 2, 5), (14, 12, 14, 11))
    elif index == 22:
        menu_lines(canvas, ox, (2, 6, 2, 8), (14, 14, 14, 14))
    elif index == 28:
        menu_list(canvas, ox, "number")
    elif index == 29:
        menu_list(canvas, ox, "bullet")
    elif index == 30:
        menu_list(canvas, ox, "letter")
    elif index == 34:  # show or hide all: two notes, one behind the other
        menu_note(canvas, ox + 0, 0, 10, faded=True)
        menu_note(canvas, ox + 4, 4, 11)


def menu_strip():
    canvas = Canvas(MENU_CELL_WIDTH * MENU_CELLS, MENU_CELL_HEIGHT, MENU_MASK)
    for index in range(MENU_CELLS):
        menu_cell(canvas, index)
    assert all(p == MENU_MASK or p[:3] != MENU_MASK for row in canvas.pixels for p in row)
    return canvas


def grayed_strip(strip):
    """The dark pixels in shadow grey with a white one below right of each,
    the light ones left out, as the system shows disabled pictures."""
    canvas = Canvas(strip.width, strip.height, MENU_MASK)

    def dark(x, y):
        pixel = strip.pixels[y][x]
        return pixel != MENU_MASK and (pixel[0] * 30 + pixel[1] * 59 + pixel[2] * 11) // 100 < 0xA0

    for y in range(strip.height):
        for x in range(strip.width):
            if not dark(x, y):
                continue
            canvas.put(x, y, MENU_GRAY_SHADOW)
            same_cell = (x + 1) % MENU_CELL_WIDTH != 0
            if same_cell and y + 1 < strip.height and not dark(x + 1, y + 1):
                canvas.put(x + 1, y + 1, MENU_GRAY_LIGHT)
    return canvas


def write_menu_strips():
    strip = menu_strip()
    with open(os.path.join(HERE, "MenuImages.bmp"), "wb") as f:
        f.write(bmp_24(strip))
    with open(os.path.join(HERE, "MenuImagesGrayed.bmp"), "wb") as f:
        f.write(bmp_24(grayed_strip(strip)))


# ---- icons 167, 125 and 126: the tray icon and the alarm's two phases

BELL_LIGHT = (0xFF, 0xF4, 0xC0)


def tray_icon(size):
    canvas = app_icon(size)
    width = max(1, size // 10)
    for step in range(size // 2):
        x, y = size // 4 + step, size - size // 4 - step
        canvas.rect(x, y - width, x + width, y, MARK)
    return canvas


def draw_bell(canvas, cx, top, size, body, rim):
    """A bell of the given height centred on cx, with its clapper below."""
    for row in range(size):
        half = max(1, (row * size) // (2 * size) + size // 6)
        if row == size - 1:
            half += max(1, size // 8)
        for x in range(cx - half, cx + half):
            edge = x in (cx - half, cx + half - 1) or row == size - 1
            canvas.put(x, top + row, rim if edge else body)
    clapper = max(1, size // 6)
    canvas.rect(cx - clapper // 2, top + size, cx - clapper // 2 + clapper, top + size + clapper, rim)


def alarm_icon(size, phase):
    canvas = app_icon(size)
    bell = size // 2
    if phase:
        margin = max(1, size // 16)
        canvas.rect(margin, margin, size - margin, size - margin, RED)
        draw_bell(canvas, size // 2, size // 5, bell, BELL_LIGHT, NOTE_EDGE)
    else:
        draw_bell(canvas, size // 2, size // 5, bell, RED, INK)
    return canvas


def write_tray_icons():
    sizes = (16, 32, 48)
    with open(os.path.join(HERE, "Tray.ico"), "wb") as f:
        f.write(icon_file([tray_icon(s) for s in sizes]))
    for phase, name in ((0, "TrayAlarm1.ico"), (1, "TrayAlarm2.ico")):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(icon_file([alarm_icon(s, phase) for s in sizes]))


# ---- bitmap 102: the toolbar's glyphs ----
# 11 images of 16 x 15 side by side, 4 bits a pixel, in the six key colours
# alone: the toolbar replaces each with a system colour (black: button text,
# grey: shadow, light grey: face, white: highlight, blue: selection, magenta:
# window). Images 0-3 and 9 are the buttons'; the others stay plain face.
TOOLBAR_KEYS = {
    "K": (0x00, 0x00, 0x00),
    "S": (0x80, 0x80, 0x80),
    ".": (0xC0, 0xC0, 0xC0),
    "W": (0xFF, 0xFF, 0xFF),
    "B": (0x00, 0x00, 0xFF),
    "M": (0xFF, 0x00, 0xFF),
}

TOOLBAR_GLYPHS = {
    0: [  # the main menu: a note over a drop-down arrow
        "................",
        ".KKKKKKKKK......",
        ".KMMMMMMMKK.....",
        ".KMBBBBBMKWK....",
        ".KMMMMMMMKKKK...",
        ".KMBBBBBBMMMK...",
        ".KMMMMMMMMMMK...",
        ".KMBBBBBBBBMK...",
        ".KMMMMMMMMMMKS..",
        ".KKKKKKKKKKKKS..",
        "..SSSSSSSSSSSS..",
        "................",
        ".......KKKKKKK..",
        "........KKKKK...",
        ".........KKK....",
    ],
    1: [  # a new note: a blank note with a sparkle
        "............B...",
        "..........B.B.B.",
        "...........BBB..",
        ".KKKKKKKKBBBBBBB",
        ".KMMMMMMMK.BBB..",
        ".KMMMMMMMKBKBKB.",
        ".KMMMMMMMMMKB...",
        ".KMMMMMMMMMMK...",
        ".KMMMMMMMMMMK...",
        ".KMMMMMMMMMMK...",
        ".KMMMMMMMMMMK...",
        ".KMMMMMMMMMMK...",
        ".KMMMMMMMMMMKS..",
        ".KKKKKKKKKKKKS..",
        "..SSSSSSSSSSSS..",
    ],
    2: [  # preferences: three sliders
        "................",
        "..KKK...........",
        "..KWK...........",
        "SSKWKSSSSSSSSSS.",
        "WWKWKWWWWWWWWWW.",
        "..KKK.....KKK...",
        "..........KWK...",
        "SSSSSSSSSSKWKSS.",
        "WWWWWWWWWWKWKWW.",
        "......KKK.KKK...",
        "......KWK.......",
        "SSSSSSKWKSSSSSS.",
        "WWWWWWKWKWWWWWW.",
        "......KKK.......",
        "................",
    ],
    3: [  # save all: a disk
        "................",
        ".KKKKKKKKKKKKK..",
        ".KBKWWWWWWWKBKK.",
        ".KBKWWWWWWWKBBK.",
        ".KBKWWWWWWWKBBK.",
        ".KBKWWWWWWWKBBK.",
        ".KBBKKKKKKKBBBK.",
        ".KBBBBBBBBBBBBK.",
        ".KBBKKKKKKKKBBK.",
        ".KBBKSSSSKKKBBK.",
        ".KBBKSSSSKKKBBK.",
        ".KBBKSSSSKKKBBK.",
        ".KKKKKKKKKKKKKK.",
        "..SSSSSSSSSSSSS.",
        "................",
    ],
    9: [  # help: a question mark on a round badge
        "................",
        ".....KKKKKK.....",
        "...KKBBBBBBKK...",
        "..KBBBWWWWBBBK..",
        "..KBBWWBBWWBBK..",
        ".KBBBBBBBWWBBBK.",
        ".KBBBBBBWWBBBBK.",
        ".KBBBBBWWBBBBBK.",
        ".KBBBBBWWBBBBBK.",
        "..KBBBBBBBBBBK..",
        "..KBBBBWWBBBBKS.",
        "...KKBBWWBBKKS..",
        ".....KKKKKKSS...",
        "......SSSSSS....",
        "................",
    ],
}


def toolbar_glyphs():
    canvas = Canvas(16 * 11, 15, TOOLBAR_KEYS["."])
    for index, rows in TOOLBAR_GLYPHS.items():
        assert len(rows) == 15 and all(len(row) == 16 for row in rows), index
        paint(canvas, 16 * index, 0, rows, TOOLBAR_KEYS)
    return canvas


def bmp_4(canvas, palette):
    """A 4-bit bitmap whose colour table holds just the palette's colours."""
    assert len(palette) <= 16
    index = {rgb: i for i, rgb in enumerate(palette)}
    stride = ((canvas.width * 4 + 31) // 32) * 4
    rows = []
    for y in reversed(range(canvas.height)):
        nibbles = [index[canvas.pixels[y][x][:3]] for x in range(canvas.width)]
        nibbles += [0] * (len(nibbles) % 2)
        row = bytearray((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, len(nibbles), 2))
        row += bytes(stride - len(row))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    table = b"".join(bytes([b, g, r, 0]) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 4, 0, len(pixels), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + table + pixels


def write_toolbar_glyphs():
    with open(os.path.join(HERE, "ToolbarGlyphs.bmp"), "wb") as f:
        f.write(bmp_4(toolbar_glyphs(), list(TOOLBAR_KEYS.values())))


# ---- jump list: icons 138, 168, 169 and 170, the tasks' icons

GREEN = (0x2E, 0x8B, 0x3C)


def task_new_note(size):
    """The note with a green plus in its upper left."""
    canvas = app_icon(size)
    arm, width = size // 3, max(2, size // 8)
    cx = cy = size // 3
    canvas.rect(cx - arm // 2, cy - width // 2, cx + arm // 2 + 1, cy + (width + 1) // 2, GREEN)
    canvas.rect(cx - width // 2, cy - arm // 2, cx + (width + 1) // 2, cy + arm // 2 + 1, GREEN)
    return canvas


def task_organizer(size):
    """Three notes stacked, each a step down and to the right."""
    canvas = Canvas(size, size)
    note = size * 5 // 8
    step = (size - note) // 2
    for i in range(3):
        draw_note(canvas, i * step, i * step, note)
    return canvas


def task_show_hide(size):
    """The note, its right half greyed as if hidden."""
    canvas = app_icon(size)
    for y in range(size):
        for x in range(size // 2, size):
            if canvas.pixels[y][x] is not None:
                r, g, b = canvas.pixels[y][x][:3]
                grey = (r + g + b) // 3
                canvas.pixels[y][x] = (grey, grey, grey)
    return canvas


def task_preferences(size):
    """The note with a blue check box ticked on it."""
    canvas = app_icon(size)
    box = size // 2
    ox = oy = size // 4
    canvas.rect(ox, oy, ox + box, oy + box, LIGHT)
    for edge in range(box):
        canvas.put(ox + edge, oy, MARK)
        canvas.put(ox + edge, oy + box - 1, MARK)
        canvas.put(ox, oy + edge, MARK)
        canvas.put(ox + box - 1, oy + edge, MARK)
    width = max(1, size // 16)
    for step in range(box // 3):
        canvas.rect(ox + box // 5 + step, oy + box // 2 + step, ox + box // 5 + step + width,
                    oy + box // 2 + step + width, MARK)
    for step in range(box // 2):
        x, y = ox + box // 5 + box // 3 + step, oy + box // 2 + box // 3 - step
        canvas.rect(x, y - width, x + width, y, MARK)
    return canvas


def write_task_icons():
    for draw, name in ((task_new_note, "TaskNewNote.ico"), (task_organizer, "TaskOrganizer.ico"),
                       (task_show_hide, "TaskShowHide.ico"), (task_preferences, "TaskPreferences.ico")):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(icon_file([draw(s) for s in (16, 32, 48)]))


def sort_mark(up):
    canvas = Canvas(9, 6, FACE)
    for row in range(5):
        y = 5 - row if up else row
        canvas.hline(row, 9 - row, y, SHADOW if row == 0 else DARK)
    return canvas


def write_sort_marks():
    for up, name in ((False, "SortDescending.bmp"), (True, "SortAscending.bmp")):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(bmp_24(sort_mark(up)))

# ---- the attach dialog's finder: icons 161 (with its cross-hair) and 162 (empty)


def finder_icon(size, with_target):
    """A light framed square; with its target, the picker's ring and
    cross-hair inside, which the pointer takes away while picking."""
    canvas = Canvas(size, size)
    canvas.rect(0, 0, size, size, LIGHT)
    for edge in range(size):
        for inset in (0, 1):
            canvas.put(edge, inset, MARK)
            canvas.put(edge, size - 1 - inset, MARK)
            canvas.put(inset, edge, MARK)
            canvas.put(size - 1 - inset, edge, MARK)
    if with_target:
        mark = picker_cursor()
        scale = 32 / (size - 4)
        for y in range(size - 4):
            for x in range(size - 4):
                pixel = mark.pixels[int(y * scale)][int(x * scale)]
                if pixel is not None and pixel[:3] == (0, 0, 0):
                    canvas.put(x + 2, y + 2, (0, 0, 0))
    return canvas


def write_finder_icons():
    for with_target, name in ((True, "FinderWithTarget.ico"), (False, "FinderEmpty.ico")):
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(icon_file([finder_icon(s, with_target) for s in (16, 32)]))

MAGENTA = (0xFF, 0x00, 0xFF)
GREEN = (0x00, 0x80, 0x00)
BLUE = (0x00, 0x00, 0xFF)
NET_PALETTE = {"R": (0xFF, 0x00, 0x00), "G": GREEN, "B": BLUE, "K": (0x00, 0x00, 0x00),
               "W": LIGHT, "S": SHADOW}


def net_mark(canvas, ox, rows):
    """A 7x7 mark in the image's lower right corner."""
    paint(canvas, ox + 9, 9, rows, NET_PALETTE)


def net_send_images():
    canvas = Canvas(160, 16, MAGENTA)
    arrow = ["   B   ", "   BB  ", "BBBBBB ", "BBBBBBB", "BBBBBB ", "   BB  ", "   B   "]
    tick = ["      G", "     GG", "G   GG ", "GG GG  ", " GGG   ", "  G    ", "       "]
    cross = ["R     R", "RR   RR", " RR RR ", "  RRR  ", " RR RR ", "RR   RR", "R     R"]
    for index, mark in enumerate((arrow, tick, cross)):
        menu_note(canvas, index * 16 + 1, 1, 12)
        net_mark(canvas, index * 16, mark)
    for index, (alarm, shown) in enumerate(((True, True), (True, False), (False, True), (False, False))):
        ox = (3 + index) * 16
        menu_note(canvas, ox + 1, 1, 13, faded=not shown)
        if alarm:
            menu_clock(canvas, ox + 9, 9)
    # The group column: three colour swatches; the status column: a clock.
    for row, colour in enumerate(((0xFF, 0x00, 0x00), GREEN, BLUE)):
        canvas.rect(7 * 16 + 3, 2 + row * 4, 7 * 16 + 13, 5 + row * 4, colour)
    menu_clock(canvas, 8 * 16 + 4, 4)
    # The swatch's frame: its inside stays transparent for the colour.
    for edge in range(3, 13):
        for x, y in ((edge, 3), (edge, 12), (3, edge), (12, edge)):
            canvas.put(9 * 16 + x, y, (0x00, 0x00, 0x00))
    return canvas


def write_net_send_images():
    with open(os.path.join(HERE, "NetSendImages.bmp"), "wb") as f:
        f.write(bmp_24(net_send_images()))


def group_swatch_images():
    canvas = Canvas(160, 16, MAGENTA)
    ox = 9 * 16
    for edge in range(2, 14):
        for x, y in ((edge, 2), (edge, 13), (2, edge), (13, edge)):
            canvas.put(ox + x, y, (0x00, 0x00, 0x00))
    return canvas


def write_group_swatch_images():
    with open(os.path.join(HERE, "GroupSwatch.bmp"), "wb") as f:
        f.write(bmp_24(group_swatch_images()))


def about_picture():
    canvas = Canvas(64, 64, FACE)
    draw_note(canvas, 4, 4, 56)
    return canvas


def main():
    write_toolbar_glyphs()
    with open(os.path.join(HERE, "AboutNote.bmp"), "wb") as f:
        f.write(bmp_24(about_picture()))
    write_menu_strips()
    with open(os.path.join(HERE, "Quillet.ico"), "wb") as f:
        f.write(icon_file([app_icon(s) for s in (16, 32, 48)]))
    with open(os.path.join(HERE, "CaptionButtons.bmp"), "wb") as f:
        f.write(bmp_24(caption_buttons()))
    mark = corner_mark()
    for name, horizontal, vertical in (("AttachTopLeft", False, False), ("AttachTopRight", True, False),
                                       ("AttachBottomLeft", False, True), ("AttachBottomRight", True, True)):
        with open(os.path.join(HERE, name + ".tga"), "wb") as f:
            f.write(tga_32(mirrored(mark, horizontal, vertical)))
    with open(os.path.join(HERE, "LinkHand.cur"), "wb") as f:
        f.write(cursor_file(link_hand(), LINK_HAND_HOTSPOT))
    write_picker_art()
    write_tray_icons()
    write_magnet_art()
    write_task_icons()
    write_sort_marks()
    write_finder_icons()
    write_net_send_images()
    write_group_swatch_images()


if __name__ == "__main__":
    main()
