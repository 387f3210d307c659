#!/usr/bin/env python3
"""Writes Velmora's program icon and its busy animation (a small uncompressed 8-bit AVI):
a magnifier sweeping over a registry tree. Run once; the outputs are kept in res/."""
import struct, math

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

if __name__ == '__main__':
    import os
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, 'Velmora.ico'), [16, 32])
    write_avi(os.path.join(here, 'busy.avi'))
