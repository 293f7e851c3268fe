#!/usr/bin/env python3
"""Reads a PNG screenshot with zlib alone and says whether something was drawn.

usage: check_png.py <file> [min-fraction]

Decodes the chunks (8-bit greyscale, RGB, grey+alpha or RGBA, not
interlaced), undoes the row filters and compares every pixel with the
top-left one, taken as the page background.  Prints
"<width> <height> <pixels unlike the background> <distinct colours>" and
exits with 1 when the picture is one uniform colour or fewer than
min-fraction (default 0.005) of its pixels differ from the background, with
2 when the file is not a PNG it can read.
"""
import struct
import sys
import zlib

CHANNELS = {0: 1, 2: 3, 4: 2, 6: 4}


def read_chunks(data):
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError('not a PNG signature')
    pos, chunks = 8, []
    while pos + 8 <= len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc, = struct.unpack('>I', data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) & 0xffffffff != crc:
            raise ValueError('bad CRC in chunk %r' % kind)
        chunks.append((kind, body))
        pos += 12 + length
        if kind == b'IEND':
            break
    return chunks


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def unfilter(raw, width, height, bpp):
    stride = width * bpp
    rows, prev, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        if kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xff
        elif kind == 2:
            line = bytearray((x + y) & 0xff for x, y in zip(line, prev))
        elif kind == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + prev[i]) >> 1)) & 0xff
        elif kind == 4:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                up_left = prev[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + paeth(left, prev[i], up_left)) & 0xff
        elif kind != 0:
            raise ValueError('unknown row filter %d' % kind)
        rows.append(bytes(line))
        prev = line
    return rows


def main(argv):
    path = argv[1]
    min_fraction = float(argv[2]) if len(argv) > 2 else 0.005
    try:
        with open(path, 'rb') as f:
            chunks = read_chunks(f.read())
        header = next(body for kind, body in chunks if kind == b'IHDR')
        width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', header)
        if depth != 8 or colour not in CHANNELS or interlace:
            raise ValueError('unsupported PNG kind (depth %d, colour %d)' % (depth, colour))
        bpp = CHANNELS[colour]
        raw = zlib.decompress(b''.join(body for kind, body in chunks if kind == b'IDAT'))
        rows = unfilter(raw, width, height, bpp)
    except (OSError, ValueError, StopIteration, zlib.error, struct.error) as e:
        print('%s: %s' % (path, e))
        return 2
    background = rows[0][:bpp]
    unlike, colours = 0, set()
    for row in rows:
        for i in range(0, len(row), bpp):
            pixel = row[i:i + bpp]
            if pixel != background:
                unlike += 1
                if len(colours) < 4096:
                    colours.add(pixel)
    print('%d %d %d %d' % (width, height, unlike, len(colours) + 1))
    return 0 if unlike > 0 and unlike >= min_fraction * width * height else 1


if __name__ == '__main__':
    sys.exit(main(sys.argv))
