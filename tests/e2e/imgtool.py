#!/usr/bin/env python3
"""Pixel checks for the end-to-end tests, standard library only.

Reads binary PPM screenshots (as ImageMagick's `import ... ppm:FILE` writes them) and
Windows bitmaps (the program's saved pictures). Every command prints its result on
stdout; a check that does not hold exits with status 1 and says why on stderr.

Commands:
  menubar PPM X Y W H          centres (screen x) of the text groups in the menu bar band
  menubar-ink PPM X Y W H N    darkest ink level (0..255) of text group N (0-based)
  menuitems PPM X Y W H        centres (screen y) of the items of an open popup menu
  pixel IMG X Y [X Y...]       "r,g,b" of each pixel, space separated
  rect PPM X Y W H             bounding box "x y w h" of non-background pixels
  white-run PPM X Y H          "y length" of the longest run of pure white pixels in column X
                               from row Y down, H rows at most: the view's blank background
  bmpinfo BMP                  "width height bitsPerPixel" of a bitmap (checks the "BM" magic)
  line IMG COLOUR X1 Y1 X2 Y2 TOL
                               COLOUR (red|green) pixels all along the segment, each sample
                               point having one within TOL pixels; IMG is a PPM or a BMP
  count IMG COLOUR X Y W H     number of COLOUR pixels in the rectangle
  caption PPM X Y W H REF...   which rendered reference text (PPM files) the dark, neutral
                               text inside the rectangle resembles most; prints its index
                               and the scores
  label IMG COLOUR X Y W H X1 Y1 X2 Y2 REF...
                               the same for text drawn in COLOUR, leaving out the pixels of
                               the segment (X1,Y1)-(X2,Y2) that runs past it
  length RX1 RY1 RX2 RY2 REFLEN X1 Y1 X2 Y2
                               label text of a segment measured against a reference given
                               in view pixels: lengths in proportion, cut to three decimals,
                               held as a 32-bit float, printed with up to 7 digits
"""
import math
import struct
import sys


class Image:
    def __init__(self, width, height, rgb_at, row=None):
        self.width = width
        self.height = height
        self._rgb_at = rgb_at
        self._row = row

    def row(self, y, x0, x1):
        """The pixels x0..x1-1 of row y as bytes, three a pixel, in R G B order."""
        if self._row is not None:
            return self._row(y, x0, x1)
        return bytes(c for x in range(x0, x1) for c in self._rgb_at(x, y))

    def rgb(self, x, y):
        if x < 0 or y < 0 or x >= self.width or y >= self.height:
            return None
        return self._rgb_at(x, y)


def die(message):
    print(message, file=sys.stderr)
    sys.exit(1)


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    # Header: P6 <ws> width <ws> height <ws> maxval <one ws> pixels; comments start with '#'.
    fields = []
    pos = 0
    while len(fields) < 4:
        while pos < len(data) and data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while pos < len(data) and data[pos:pos + 1] not in (b"\n", b"\r"):
                pos += 1
            continue
        start = pos
        while pos < len(data) and not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    if fields[0] != b"P6":
        die("%s: not a binary PPM (%r)" % (path, fields[0]))
    width, height, maxval = int(fields[1]), int(fields[2]), int(fields[3])
    if maxval != 255:
        die("%s: PPM with maxval %d, expected 8 bits per channel" % (path, maxval))
    pixels = data[pos:pos + width * height * 3]
    if len(pixels) != width * height * 3:
        die("%s: PPM pixel data is short" % path)

    def at(x, y):
        i = (y * width + x) * 3
        return pixels[i], pixels[i + 1], pixels[i + 2]

    def row(y, x0, x1):
        return pixels[(y * width + x0) * 3:(y * width + x1) * 3]

    return Image(width, height, at, row)


def bmp_header(data, path):
    if len(data) < 54 or data[0:2] != b"BM":
        die("%s: no \"BM\" magic: not a Windows bitmap" % path)
    offset = struct.unpack_from("<I", data, 10)[0]
    header_size = struct.unpack_from("<I", data, 14)[0]
    if header_size < 40:
        die("%s: unsupported bitmap header of %d bytes" % (path, header_size))
    width, height = struct.unpack_from("<ii", data, 18)
    planes, bpp = struct.unpack_from("<HH", data, 26)
    compression = struct.unpack_from("<I", data, 30)[0]
    return offset, width, height, bpp, compression


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    offset, width, height, bpp, compression = bmp_header(data, path)
    if bpp not in (24, 32) or compression not in (0, 3):
        die("%s: unsupported bitmap (%d bits per pixel, compression %d)" % (path, bpp, compression))
    top_down = height < 0
    height = abs(height)
    bytes_pp = bpp // 8
    stride = (width * bytes_pp + 3) // 4 * 4
    if len(data) < offset + stride * height:
        die("%s: bitmap pixel data is short (%d bytes, need %d)"
            % (path, len(data), offset + stride * height))

    def at(x, y):
        row = y if top_down else height - 1 - y
        i = offset + row * stride + x * bytes_pp
        return data[i + 2], data[i + 1], data[i]

    return Image(width, height, at)


def read_image(path):
    with open(path, "rb") as f:
        magic = f.read(2)
    return read_bmp(path) if magic == b"BM" else read_ppm(path)


def luma(rgb):
    r, g, b = rgb
    return (299 * r + 587 * g + 114 * b) // 1000


COLOURS = {
    # The reference's red and the measurements' green, with room for nothing else: the
    # test pictures contain neither.
    "red": lambda r, g, b: r > 200 and g < 60 and b < 60,
    "green": lambda r, g, b: g > 200 and r < 80 and b < 80,
}


def colour_test(name):
    if name not in COLOURS:
        die("unknown colour %r" % name)
    return COLOURS[name]


def ints(args):
    return [int(round(float(a))) for a in args]


def groups(flags, min_gap):
    """Runs of True in flags, joined when separated by fewer than min_gap False entries."""
    runs = []
    for i, on in enumerate(flags):
        if not on:
            continue
        if runs and i - runs[-1][1] <= min_gap:
            runs[-1][1] = i
        else:
            runs.append([i, i])
    return runs


def cmd_menubar(img, x0, y0, w, h):
    # Menu titles are text on a light bar; a greyed title is still well below the bar's
    # own light grey. Columns with ink, grouped with gaps of up to 6 px inside a title.
    ink = [any(luma(img.rgb(x, y)) < 215 for y in range(y0, y0 + h)) for x in range(x0, x0 + w)]
    return [(a + b) / 2 + x0 for a, b in groups(ink, 6)], ink


def cmd_menubar_ink(img, x0, y0, w, h, n):
    runs, _ = cmd_menubar(img, x0, y0, w, h)
    if n >= len(runs):
        die("menu bar has %d text groups, wanted group %d" % (len(runs), n))
    a, b = int(runs[n] - 20), int(runs[n] + 20)
    # The darkest pixel of the group's columns (the centre +-20 px covers a two-glyph title).
    low = 255
    for x in range(max(x0, a), min(x0 + w, b)):
        for y in range(y0, y0 + h):
            low = min(low, luma(img.rgb(x, y)))
    return low


def cmd_menuitems(img, x0, y0, w, h):
    # Rows with ink inside the popup, its one-pixel frame left out. A separator is one or
    # two rows of grey; an item's text is taller than 5 rows.
    ink = [any(luma(img.rgb(x, y)) < 215 for x in range(x0 + 2, x0 + w - 2))
           for y in range(y0 + 2, y0 + h - 2)]
    items = []
    for a, b in groups(ink, 2):
        if b - a + 1 >= 5:
            items.append((a + b) / 2 + y0 + 2)
    return items


_NOT_WHITE = bytes(1 if b < 215 else 0 for b in range(256))


def cmd_rect(img, x0, y0, w, h):
    # Pixels with a channel below 215, i.e. that differ from the view's white background.
    # Row by row on the raw bytes: a screen holds a million pixels.
    x0c, x1c = max(0, x0), min(img.width, x0 + w)
    left, top, right, bottom = None, None, None, None
    for y in range(max(0, y0), min(img.height, y0 + h)):
        flags = img.row(y, x0c, x1c).translate(_NOT_WHITE)
        first = flags.find(1)
        if first < 0:
            continue
        last = flags.rfind(1)
        a, b = x0c + first // 3, x0c + last // 3
        left = a if left is None else min(left, a)
        right = b if right is None else max(right, b)
        top = y if top is None else top
        bottom = y
    if left is None:
        return None
    return left, top, right - left + 1, bottom - top + 1


def cmd_white_run(img, x, y0, h):
    best, start = (None, 0), None
    for y in range(max(0, y0), min(img.height, y0 + h) + 1):
        white = y < min(img.height, y0 + h) and img.rgb(x, y) == (255, 255, 255)
        if white and start is None:
            start = y
        elif not white and start is not None:
            if y - start > best[1]:
                best = (start, y - start)
            start = None
    return best


def near(img, test, x, y, tol):
    for dy in range(-tol, tol + 1):
        for dx in range(-tol, tol + 1):
            p = img.rgb(x + dx, y + dy)
            if p is not None and test(*p):
                return True
    return False


def cmd_line(img, colour, x1, y1, x2, y2, tol):
    test = colour_test(colour)
    length = math.hypot(x2 - x1, y2 - y1)
    steps = max(4, int(length / 4))
    missing = []
    # Every 4 px or so from end to end; the very ends are left out, a pixel either side
    # of an endpoint is the platform's business.
    for i in range(1, steps):
        t = i / steps
        x = int(round(x1 + (x2 - x1) * t))
        y = int(round(y1 + (y2 - y1) * t))
        if not near(img, test, x, y, tol):
            missing.append((x, y))
    return steps - 1, missing


def cmd_count(img, colour, x0, y0, w, h):
    test = colour_test(colour)
    n = 0
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            p = img.rgb(x, y)
            if p is not None and test(*p):
                n += 1
    return n


def darkness_map(img, x0, y0, w, h):
    """Ink darkness 0..1 per pixel, and whether the pixel is coloured."""
    rows, coloured = [], []
    for y in range(y0, y0 + h):
        row, crow = [], []
        for x in range(x0, x0 + w):
            p = img.rgb(x, y)
            if p is None:
                row.append(0.0)
                crow.append(False)
                continue
            row.append(max(0.0, (200 - luma(p)) / 200.0))
            crow.append(max(p) - min(p) > 15)
        rows.append(row)
        coloured.append(crow)
    return rows, coloured


def without_icons(rows, coloured):
    """Blanks every patch of ink that touches a coloured pixel: a button's icon and frame
    are drawn in colour, its caption in grey."""
    h = len(rows)
    w = len(rows[0]) if rows else 0
    seen = [[False] * w for _ in range(h)]
    for y0 in range(h):
        for x0 in range(w):
            if seen[y0][x0] or rows[y0][x0] <= 0.2:
                continue
            patch, stack, touches = [], [(x0, y0)], False
            seen[y0][x0] = True
            while stack:
                x, y = stack.pop()
                patch.append((x, y))
                for dy in (-1, 0, 1):
                    for dx in (-1, 0, 1):
                        nx, ny = x + dx, y + dy
                        if not (0 <= nx < w and 0 <= ny < h):
                            continue
                        if coloured[ny][nx]:
                            touches = True
                        if not seen[ny][nx] and rows[ny][nx] > 0.2:
                            seen[ny][nx] = True
                            stack.append((nx, ny))
            if touches:
                for x, y in patch:
                    rows[y][x] = 0.0
    return rows


def ink_box(rows, threshold):
    xs = [x for row in rows for x, v in enumerate(row) if v > threshold]
    ys = [y for y, row in enumerate(rows) if any(v > threshold for v in row)]
    if not xs:
        return None
    return min(xs), min(ys), max(xs), max(ys)


def crop(rows, box):
    x0, y0, x1, y1 = box
    return [row[x0:x1 + 1] for row in rows[y0:y1 + 1]]


def ncc(a, b, dx, dy):
    """Normalised correlation of b placed at offset (dx, dy) over a, on b's extent."""
    pa, pb = [], []
    for y, row in enumerate(b):
        for x, v in enumerate(row):
            ay, ax = y + dy, x + dx
            av = a[ay][ax] if 0 <= ay < len(a) and 0 <= ax < len(a[ay]) else 0.0
            pa.append(av)
            pb.append(v)
    n = len(pa)
    ma, mb = sum(pa) / n, sum(pb) / n
    cov = sum((p - ma) * (q - mb) for p, q in zip(pa, pb))
    va = math.sqrt(sum((p - ma) ** 2 for p in pa))
    vb = math.sqrt(sum((q - mb) ** 2 for q in pb))
    if va == 0 or vb == 0:
        return 0.0
    return cov / (va * vb)


def cmd_caption(img, x0, y0, w, h, refs):
    region = without_icons(*darkness_map(img, x0, y0, w, h))
    return best_match(region, refs)


def best_match(text, refs):
    """Correlation of the ink map text with each rendered reference text."""
    box = ink_box(text, 0.5)
    if box is None:
        die("no text found in the area")
    text = crop(text, box)
    scores = []
    for path in refs:
        ref = read_ppm(path)
        rows, _ = darkness_map(ref, 0, 0, ref.width, ref.height)
        rbox = ink_box(rows, 0.5)
        if rbox is None:
            die("%s: reference rendering is blank" % path)
        tpl = crop(rows, rbox)
        # The reference, aligned on the text's ink box, a few pixels either way; the score
        # is taken both ways round, so that a short text inside a long one scores low.
        best = -1.0
        for dy in range(-3, 4):
            for dx in range(-3, 4):
                best = max(best, min(ncc(text, tpl, dx, dy), ncc(tpl, text, -dx, -dy)))
        scores.append(best)
    return scores


def segment_distance(px, py, x1, y1, x2, y2):
    vx, vy = x2 - x1, y2 - y1
    n = vx * vx + vy * vy
    t = 0.0 if n == 0 else max(0.0, min(1.0, ((px - x1) * vx + (py - y1) * vy) / n))
    return math.hypot(px - (x1 + t * vx), py - (y1 + t * vy))


def cmd_label(img, colour, x0, y0, w, h, seg, refs):
    test = colour_test(colour)
    rows = []
    for y in range(y0, y0 + h):
        row = []
        for x in range(x0, x0 + w):
            p = img.rgb(x, y)
            on = p is not None and test(*p) and segment_distance(x, y, *seg) > 1.5
            row.append(1.0 if on else 0.0)
        rows.append(row)
    return best_match(rows, refs)


def f32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def cmd_length(r, reflen, m):
    # View coordinates are twips, 15 to the pixel at 96 dots per inch.
    def distance(x1, y1, x2, y2):
        return f32(math.sqrt((x1 * 15.0 - x2 * 15.0) ** 2 + (y1 * 15.0 - y2 * 15.0) ** 2))
    d = distance(*m)
    dref = distance(*r)
    q = d * f32(reflen) / dref * 1000.0
    value = f32(math.floor(q) / 1000.0)
    text = "%.7g" % value
    if "e" in text:
        die("length %r out of the plain decimal range" % value)
    if "." in text:
        text = text.rstrip("0").rstrip(".")
    return text


def report_best(scores):
    best = max(range(len(scores)), key=lambda i: scores[i])
    print("%d %s" % (best, " ".join("%.3f" % s for s in scores)))


def main(argv):
    if len(argv) < 2:
        die(__doc__)
    cmd, args = argv[1], argv[2:]
    if cmd == "menubar":
        img = read_image(args[0])
        centres, _ = cmd_menubar(img, *ints(args[1:5]))
        print(" ".join(str(int(round(c))) for c in centres))
    elif cmd == "menubar-ink":
        img = read_image(args[0])
        x, y, w, h, n = ints(args[1:6])
        print(cmd_menubar_ink(img, x, y, w, h, n))
    elif cmd == "menuitems":
        img = read_image(args[0])
        print(" ".join(str(int(round(c))) for c in cmd_menuitems(img, *ints(args[1:5]))))
    elif cmd == "pixel":
        img = read_image(args[0])
        v = ints(args[1:])
        out = []
        for x, y in zip(v[0::2], v[1::2]):
            p = img.rgb(x, y)
            if p is None:
                die("pixel %d,%d lies outside the %dx%d image" % (x, y, img.width, img.height))
            out.append("%d,%d,%d" % p)
        print(" ".join(out))
    elif cmd == "rect":
        img = read_image(args[0])
        r = cmd_rect(img, *ints(args[1:5]))
        if r is None:
            die("nothing but background in the area")
        print("%d %d %d %d" % r)
    elif cmd == "white-run":
        img = read_image(args[0])
        y, length = cmd_white_run(img, *ints(args[1:4]))
        if y is None:
            die("no white pixel in the column")
        print("%d %d" % (y, length))
    elif cmd == "bmpinfo":
        with open(args[0], "rb") as f:
            data = f.read()
        _, width, height, bpp, _ = bmp_header(data, args[0])
        print("%d %d %d" % (width, abs(height), bpp))
    elif cmd == "line":
        img = read_image(args[0])
        x1, y1, x2, y2, tol = ints(args[2:7])
        total, missing = cmd_line(img, args[1], x1, y1, x2, y2, tol)
        if missing:
            die("%s line (%d,%d)-(%d,%d): %d of %d sample points have no %s pixel within %d px,"
                " first at %s" % (args[1], x1, y1, x2, y2, len(missing), total, args[1], tol,
                                  missing[0]))
        print("%d points" % total)
    elif cmd == "count":
        img = read_image(args[0])
        print(cmd_count(img, args[1], *ints(args[2:6])))
    elif cmd == "caption":
        img = read_image(args[0])
        report_best(cmd_caption(img, *ints(args[1:5]), args[5:]))
    elif cmd == "label":
        img = read_image(args[0])
        report_best(cmd_label(img, args[1], *ints(args[2:6]), [float(a) for a in args[6:10]],
                              args[10:]))
    elif cmd == "length":
        v = [float(a) for a in args[0:9]]
        print(cmd_length(v[0:4], v[4], v[5:9]))
    else:
        die("unknown command %r" % cmd)


if __name__ == "__main__":
    main(sys.argv)
