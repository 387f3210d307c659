#!/usr/bin/env python3
"""Writes Velmora's program icon, its busy animation (a small uncompressed 8-bit AVI: a
magnifier sweeping over a registry tree), the 16 x 16 pictures of the image lists of the main
window and the dependency viewer (res/icons/) and the window pictures (res/*.bmp).

The pictures of the toolbar and of the main window's trees and lists are icons of the Tango icon
library (public domain; see res/README.md), read from the 16 x 16 PNG files that Debian's
tango-icon-theme package installs and converted with ImageMagick's `convert`. Run once on a
machine with both; the outputs are kept in res/ so that no build needs either."""
import math, os, struct, subprocess

def icon_image(size):
    # 32-bit BGRA, bottom-up, with an AND mask.
    px = []
    c = size / 2
    for y in range(size - 1, -1, -1):
        for x in range(size):
            # blue rounded square with a white "V"
            inside = 1 <= x < size - 1 and 1 <= y < size - 1
            if not inside:
                px.append((0, 0, 0, 0)); continue
            u, v = (x - c) / size, (y - c * 0.9) / size
            stroke = size * 0.09
            left = abs((x - size * 0.22) * 0.9 - (y - size * 0.2) * 0.38) < stroke and y < size * 0.82
            right = abs((size * 0.78 - x) * 0.9 - (y - size * 0.2) * 0.38) < stroke and y < size * 0.82
            if (left or right) and size * 0.15 < y:
                px.append((255, 255, 255, 255))
            else:
                shade = int(150 + 60 * (1 - y / size))
                px.append((shade, 90, 30, 255))
    xor = b''.join(struct.pack('BBBB', *p) for p in px)
    rowbytes = ((size + 31) // 32) * 4
    andmask = b'\x00' * rowbytes * size
    hdr = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    return hdr + xor + andmask

def write_ico(path, sizes):
    imgs = [icon_image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(imgs))
    off = 6 + 16 * len(imgs)
    for s, im in zip(sizes, imgs):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(im), off)
        off += len(im)
    out += b''.join(imgs)
    open(path, 'wb').write(out)

def chunk(fourcc, data):
    pad = b'\x00' if len(data) % 2 else b''
    return fourcc + struct.pack('<I', len(data)) + data + pad

def lst(kind, data):
    return chunk(b'LIST', kind + data)

def write_avi(path, w=80, h=40, frames=12):
    palette = [(255, 255, 255), (0, 0, 0), (128, 128, 128), (0, 120, 215), (255, 200, 0), (200, 200, 200)]
    palette += [(0, 0, 0)] * (256 - len(palette))
    stride = (w + 3) & ~3
    bodies = []
    for f in range(frames):
        rows = []
        cx = 12 + (w - 24) * (0.5 - 0.5 * math.cos(2 * math.pi * f / frames))
        for y in range(h - 1, -1, -1):  # bottom-up
            row = bytearray(stride)
            for x in range(w):
                col = 0
                # a little tree: trunk and three branches with key boxes
                if x == 8 and 6 <= y <= 32: col = 2
                for by in (12, 22, 32):
                    if y == by and 8 <= x <= 16: col = 2
                    if by - 3 <= y <= by + 3 and 17 <= x <= 23: col = 3
                    if by - 1 <= y <= by + 1 and 27 <= x <= 27 + (w - 40): col = 5
                d = math.hypot(x - cx, y - 18)
                if 7 <= d <= 9: col = 1
                elif d < 7 and col == 0: col = 4 if (x + y) % 7 == 0 else col
                if 9 < d < 14 and abs((x - cx) - (y - 18)) < 1.6 and x > cx and y > 18: col = 1
                row[x] = col
            rows.append(bytes(row))
        bodies.append(b''.join(rows))
    size = stride * h
    usec = 100000
    avih = struct.pack('<IIIIIIIIII4I', usec, size * 10, 0, 0x10, frames, 0, 1, size, w, h, 0, 0, 0, 0)
    strh = b'vids' + b'DIB ' + struct.pack('<IHHIIIIIIIIhhhh', 0, 0, 0, 0, 1, 10, 0, frames, size, 0xFFFFFFFF, 0, 0, 0, w, h)
    bih = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, size, 0, 0, 256, 0)
    pal = b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in palette)
    strl = lst(b'strl', chunk(b'strh', strh) + chunk(b'strf', bih + pal))
    hdrl = lst(b'hdrl', chunk(b'avih', avih) + strl)
    movi_data = b''
    idx = b''
    off = 4
    for body in bodies:
        c = chunk(b'00db', body)
        idx += b'00db' + struct.pack('<III', 0x10, off, len(body))
        movi_data += c
        off += len(c)
    movi = lst(b'movi', movi_data)
    riff = b'AVI ' + hdrl + movi + chunk(b'idx1', idx)
    open(path, 'wb').write(b'RIFF' + struct.pack('<I', len(riff)) + riff)

# ---- the 16 x 16 pictures of the image lists (main window and dependency viewer) ----

# A 3 x 5 pixel font for the letters on the pictures.
FONT = {
    'A': ['010', '101', '111', '101', '101'], 'C': ['011', '100', '100', '100', '011'],
    'D': ['110', '101', '101', '101', '110'], 'E': ['111', '100', '110', '100', '111'],
    'F': ['111', '100', '110', '100', '100'], 'H': ['101', '101', '111', '101', '101'],
    'O': ['010', '101', '101', '101', '010'], 'P': ['110', '101', '110', '100', '100'],
    'R': ['110', '101', '110', '101', '101'], 'S': ['011', '100', '010', '001', '110'],
    'U': ['101', '101', '101', '101', '111'], 'a': ['000', '011', '101', '101', '011'],
    'b': ['100', '110', '101', '101', '110'], 'i': ['010', '000', '010', '010', '010'],
    'x': ['000', '101', '010', '010', '101'], '0': ['010', '101', '101', '101', '010'],
    '1': ['010', '110', '010', '010', '111'], '!': ['010', '010', '010', '000', '010'],
    '?': ['110', '001', '010', '000', '010'], 'L': ['100', '100', '100', '100', '111'],
    'M': ['101', '111', '111', '101', '101'], 'V': ['101', '101', '101', '101', '010'],
    'G': ['011', '100', '101', '101', '011'], 'N': ['110', '101', '101', '101', '101'],
    'I': ['111', '010', '010', '010', '111'], 'T': ['111', '010', '010', '010', '010'],
    'W': ['101', '101', '111', '111', '101'], 'Y': ['101', '101', '010', '010', '010'],
    'X': ['101', '101', '010', '101', '101'], '.': ['000', '000', '000', '000', '010'],
    '/': ['001', '001', '010', '100', '100'], ' ': ['000', '000', '000', '000', '000'],
}

class Canvas:
    """16 x 16 pixels, top-down rows of (r, g, b, a); a = 0 is transparent."""
    def __init__(self, n=16):
        self.n = n
        self.px = [[(0, 0, 0, 0)] * n for _ in range(n)]
    def set(self, x, y, rgb):
        if 0 <= x < self.n and 0 <= y < self.n:
            self.px[y][x] = rgb + (255,)
    def rect(self, x0, y0, x1, y1, rgb):  # inclusive
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, rgb)
    def frame(self, x0, y0, x1, y1, rgb):
        for x in range(x0, x1 + 1):
            self.set(x, y0, rgb); self.set(x, y1, rgb)
        for y in range(y0, y1 + 1):
            self.set(x0, y, rgb); self.set(x1, y, rgb)
    def text(self, letters, rgb):
        scale = 2 if len(letters) == 1 else 1
        w = (len(letters) * 4 - 1) * scale
        x0, y0 = (self.n - w) // 2, (self.n - 5 * scale) // 2
        for i, ch in enumerate(letters):
            for row, bits in enumerate(FONT[ch]):
                for col, bit in enumerate(bits):
                    if bit == '1':
                        self.rect(x0 + (i * 4 + col) * scale, y0 + row * scale,
                                  x0 + (i * 4 + col) * scale + scale - 1, y0 + row * scale + scale - 1, rgb)
    def line(self, x0, y0, x1, y1, rgb, width=2):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for k in range(steps + 1):
            x = round(x0 + (x1 - x0) * k / steps); y = round(y0 + (y1 - y0) * k / steps)
            self.rect(x, y, x + width - 1, y + width - 1, rgb)
    def ico(self):
        """The picture as a one-image .ico file (32-bit with alpha, and the AND mask)."""
        n = self.n
        xor = b''.join(struct.pack('BBBB', b, g, r, a) for row in reversed(self.px) for (r, g, b, a) in row)
        rowbytes = ((n + 31) // 32) * 4
        mask = b''
        for row in reversed(self.px):
            bits = bytearray(rowbytes)
            for x, p in enumerate(row):
                if p[3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(bits)
        hdr = struct.pack('<IiiHHIIiiII', 40, n, n * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        image = hdr + xor + mask
        return struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(image), 22) + image

# Where Debian's tango-icon-theme package puts the 16 x 16 icons.
TANGO = '/usr/share/icons/Tango/16x16'

def tango(name):
    """A 16 x 16 Tango icon (its name without folder or extension) as a picture, its alpha kept."""
    path = None
    for context in sorted(os.listdir(TANGO)):
        candidate = os.path.join(TANGO, context, name + '.png')
        if os.path.exists(candidate):
            path = candidate
            break
    if path is None:
        raise SystemExit('make_res.py: no Tango icon %r under %s (apt-get install tango-icon-theme)' % (name, TANGO))
    raw = subprocess.run(['convert', path, '-background', 'none', '-gravity', 'center', '-extent', '16x16',
                          '-depth', '8', 'rgba:-'], check=True, stdout=subprocess.PIPE).stdout
    if len(raw) != 16 * 16 * 4:
        raise SystemExit('make_res.py: %s is not a 16 x 16 picture' % path)
    c = Canvas()
    for y in range(16):
        for x in range(16):
            r, g, b, a = raw[(y * 16 + x) * 4:(y * 16 + x) * 4 + 4]
            c.px[y][x] = (r, g, b, a) if a else (0, 0, 0, 0)
    return c

GREY = (60, 60, 60)
WHITE = (255, 255, 255)

def tile(fill, letters='', struck=False):
    c = Canvas()
    c.rect(2, 1, 13, 14, fill); c.rect(1, 2, 14, 13, fill)
    for x, y in ((2, 1), (13, 1), (1, 2), (14, 2), (1, 13), (14, 13), (2, 14), (13, 14)):
        c.set(x, y, GREY)
    c.rect(3, 1, 12, 1, GREY); c.rect(3, 14, 12, 14, GREY); c.rect(1, 3, 1, 12, GREY); c.rect(14, 3, 14, 12, GREY)
    if letters:
        c.text(letters, WHITE)
    if struck:
        c.line(2, 2, 13, 13, (220, 0, 0)); c.line(13, 2, 2, 13, (220, 0, 0))
    return c

def folder(fill):
    c = Canvas()
    c.rect(1, 3, 6, 5, fill); c.rect(1, 5, 14, 13, fill)
    c.frame(1, 5, 14, 13, GREY); c.rect(1, 3, 6, 3, GREY); c.rect(1, 3, 1, 5, GREY); c.rect(6, 3, 7, 4, GREY)
    return c

def page(band, struck=False):
    c = Canvas()
    c.rect(2, 1, 13, 14, WHITE); c.frame(2, 1, 13, 14, (64, 64, 64)); c.rect(3, 2, 12, 4, band)
    for y in (7, 9, 11):
        c.rect(4, y, 11, y, (64, 64, 64))
    if struck:
        c.line(2, 2, 13, 13, (220, 0, 0)); c.line(13, 2, 2, 13, (220, 0, 0))
    return c

def info():
    c = Canvas()
    for y in range(16):
        for x in range(16):
            if (x - 7.5) ** 2 + (y - 7.5) ** 2 <= 7.2 ** 2:
                c.set(x, y, (0, 80, 200))
    c.rect(7, 3, 8, 4, WHITE); c.rect(7, 6, 8, 11, WHITE)
    return c

def arrow(pointing_left):
    c = Canvas()
    green = (0, 150, 0)
    c.line(2, 7, 13, 7, green)
    if pointing_left:
        c.line(2, 7, 6, 3, green); c.line(2, 7, 6, 11, green)
    else:
        c.line(13, 7, 9, 3, green); c.line(13, 7, 9, 11, green)
    return c

# Each picture's file under res/icons/ and where it comes from; res/resource.h names its resource
# ID. The Tango icons chosen for what each picture stands for:
PICTURES = {
    # The main window's tree and list pictures.
    'Control': tango('preferences-system-windows'),   # a control: a window part
    'DLLServer': tango('applications-other'),         # a component library (beside the program's diamond)
    'EXEServer': tango('application-x-executable'),   # a program
    'Strike': tango('image-missing'),                 # a file that is not there
    'Folder': tango('folder'), 'FolderOpen': tango('folder-open'),
    'FolderRoot': tango('system-file-manager'),       # the general entries of the file types
    'String': tango('text-x-generic'),                # a text value
    'Bin': tango('x-office-spreadsheet'),             # a number or binary value: cells of data
    'RegistryItem': tango('document-properties'),     # a line of details
    'Info': tango('dialog-information'),
    'Found': tango('edit-find'),                      # a hit of the registry search
    'Computer': tango('computer'),
    'Unknown': tango('text-x-generic-template'),      # a file type without an icon of its own
    'Service': tango('emblem-system'),                # a service of the services tab
    'Device': tango('preferences-desktop-peripherals'),  # a driver of the services tab
    # The main window's toolbar pictures.
    'TbExplore': tango('document-open'), 'TbRefresh': tango('view-refresh'),
    'TbCMH': tango('x-office-document'), 'TbSD': tango('applications-system'),
    'TbRegComp': tango('package-x-generic'), 'TbOptions': tango('preferences-system'),
    'TbUS': tango('system-installer'), 'TbSearch': tango('system-search'), 'TbHelp': tango('help-browser'),
    # The dependency viewer's pictures.
    'DepBlank': Canvas(), 'DepIn': arrow(True), 'DepOut': arrow(False), 'DepDll': page((0, 64, 192)),
    'DepDllGrey': page((160, 160, 160)), 'DepStrike': page((160, 160, 160), struck=True),
}

# ---- the larger pictures of the windows: 24-bit bitmaps (.bmp) ----

class Picture:
    """A w x h picture of (r, g, b) pixels, top-down rows, written as a 24-bit .bmp file."""
    def __init__(self, w, h, rgb):
        self.w, self.h = w, h
        self.px = [[rgb] * w for _ in range(h)]
    def set(self, x, y, rgb):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = rgb
    def rect(self, x0, y0, x1, y1, rgb):  # inclusive
        for y in range(max(0, y0), min(self.h, y1 + 1)):
            for x in range(max(0, x0), min(self.w, x1 + 1)):
                self.px[y][x] = rgb
    def frame(self, x0, y0, x1, y1, rgb):
        self.rect(x0, y0, x1, y0, rgb); self.rect(x0, y1, x1, y1, rgb)
        self.rect(x0, y0, x0, y1, rgb); self.rect(x1, y0, x1, y1, rgb)
    def text(self, x0, y0, letters, rgb, scale):
        """Letters of the 3 x 5 font, each pixel a scale x scale square; returns the width."""
        for i, ch in enumerate(letters):
            for row, bits in enumerate(FONT[ch]):
                for col, bit in enumerate(bits):
                    if bit == '1':
                        x, y = x0 + (i * 4 + col) * scale, y0 + row * scale
                        self.rect(x, y, x + scale - 1, y + scale - 1, rgb)
        return (len(letters) * 4 - 1) * scale
    def icon(self, x0, y0, canvas, scale=1):
        """A 16 x 16 picture of the image lists over what is there (its alpha blended in)."""
        for y, row in enumerate(canvas.px):
            for x, (r, g, b, a) in enumerate(row):
                if not a:
                    continue
                px, py = x0 + x * scale, y0 + y * scale
                under = self.px[min(py, self.h - 1)][min(px, self.w - 1)]
                mix = tuple((c * a + u * (255 - a)) // 255 for c, u in zip((r, g, b), under))
                self.rect(px, py, px + scale - 1, py + scale - 1, mix)
    def bmp(self):
        stride = (self.w * 3 + 3) & ~3
        rows = b''
        for row in reversed(self.px):
            line = b''.join(struct.pack('BBB', b, g, r) for (r, g, b) in row)
            rows += line + b'\x00' * (stride - len(line))
        info = struct.pack('<IiiHHIIiiII', 40, self.w, self.h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
        return b'BM' + struct.pack('<IHHI', 14 + len(info) + len(rows), 0, 0, 14 + len(info)) + info + rows

FACE = (212, 208, 200)
DARK = (64, 64, 64)
BLUE = (10, 36, 106)

def explorer_menu_picture():
    """The Explorer menu dialog's illustration (426 x 172): a component file in an Explorer
    window, its context menu open at the register and unregister commands, the mouse on one."""
    p = Picture(426, 172, FACE)
    # The Explorer window with the file.
    p.rect(8, 8, 190, 163, WHITE); p.frame(8, 8, 190, 163, DARK)
    p.rect(9, 9, 189, 24, BLUE); p.text(14, 12, 'EXPLORER', WHITE, 2)
    p.icon(40, 50, PICTURES['DLLServer'], 4)
    p.text(36, 124, 'X.DLL', DARK, 3)
    p.icon(122, 62, PICTURES['Control'], 3)
    p.text(118, 124, 'Y.OCX', DARK, 3)
    # The context menu beside it.
    left, top, width = 200, 30, 218
    items = ['OPEN', '-', 'REGISTER', 'UNREGISTER', '-', 'PROPERTIES']
    height = 10 + sum(8 if i == '-' else 22 for i in items)
    p.rect(left + 3, top + 3, left + width + 3, top + height + 3, (128, 128, 128))
    p.rect(left, top, left + width, top + height, FACE); p.frame(left, top, left + width, top + height, DARK)
    y = top + 5
    for item in items:
        if item == '-':
            p.rect(left + 6, y + 3, left + width - 6, y + 3, (128, 128, 128)); p.rect(left + 6, y + 4, left + width - 6, y + 4, WHITE)
            y += 8
            continue
        hot = item == 'REGISTER'
        if hot:
            p.rect(left + 3, y, left + width - 3, y + 21, BLUE)
        if item in ('REGISTER', 'UNREGISTER'):
            p.icon(left + 6, y + 3, tango('list-add' if item == 'REGISTER' else 'list-remove'), 1)
        p.text(left + 30, y + 6, item, WHITE if hot else (0, 0, 0), 2)
        y += 22
    # The mouse pointer on the register command.
    ax, ay = 330, 72
    for k in range(18):
        p.rect(ax, ay + k, ax + k * 10 // 18, ay + k, (0, 0, 0))
        p.rect(ax + 1, ay + k, ax + max(0, k * 10 // 18 - 2), ay + k, WHITE)
    p.rect(ax + 4, ay + 17, ax + 6, ay + 24, (0, 0, 0))
    return p

def splash_picture():
    """The splash window's picture (320 x 80): the program's name beside its icon."""
    p = Picture(320, 80, BLUE)
    for y in range(80):
        shade = (10 + y, 36 + y, 106 + y)
        p.rect(0, y, 319, y, shade)
    p.icon(12, 8, tile((0, 110, 200), 'V'), 4)
    p.text(92, 16, 'VELMORA', WHITE, 6)
    p.text(94, 62, 'REGISTRY AND COMPONENTS', (200, 210, 255), 2)
    return p

# The colour that the main window's placeholder picture box takes as transparent (its back colour).
DUMMY_BACK = (255, 0, 255)

def dummy_picture():
    """The placeholder picture of the main window's pixDummy (16 x 16): image 1 of the image lists
    that are reset before a refresh. All of it is the box's back colour, so the list's image is
    transparent: a placeholder shows nothing."""
    return Picture(16, 16, DUMMY_BACK)

# The larger pictures: each is a .bmp file in res/, named in res/resource.h.
BITMAPS = {'ExplorerMenu': explorer_menu_picture, 'Splash': splash_picture, 'Dummy': dummy_picture}

def write_bitmaps(folder_path):
    for name, draw in BITMAPS.items():
        with open(os.path.join(folder_path, name + '.bmp'), 'wb') as f:
            f.write(draw().bmp())

def write_pictures(folder_path):
    os.makedirs(folder_path, exist_ok=True)
    for name, canvas in PICTURES.items():
        with open(os.path.join(folder_path, name + '.ico'), 'wb') as f:
            f.write(canvas.ico())


if __name__ == '__main__':
    # make_res.py            all resources
    # make_res.py pictures   only the pictures: res/icons/ and the window pictures (res/*.bmp)
    import sys
    here = os.path.dirname(os.path.abspath(__file__))
    write_pictures(os.path.join(here, 'icons'))
    write_bitmaps(here)
    if sys.argv[1:] != ['pictures']:
        write_ico(os.path.join(here, 'Velmora.ico'), [16, 32])
        write_avi(os.path.join(here, 'busy.avi'))
