#!/usr/bin/env python3
"""What the picture tests need from a PNG, with nothing but the standard library.

  png_stats.py probe FILE          WIDTH HEIGHT RRGGBB (the centre pixel)
  png_stats.py stats FILE          WIDTH HEIGHT COLOURS NONWHITE_PERMILLE
  png_stats.py same FILE1 FILE2    permille of the pixels that are equal in both

A file that is not a PNG of 8-bit RGB or RGBA fails with a message.
"""
import struct
import sys
import zlib


def decode(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise SystemExit('%s: not a PNG' % path)
    pos, idat = 8, b''
    width = height = depth = colour = interlace = None
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise SystemExit('%s: unexpected PNG layout' % path)
    bpp = 3 if colour == 2 else 4
    raw, stride, rows, prev = zlib.decompress(idat), width * bpp, [], bytearray(width * bpp)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if kind == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 255
        elif kind == 2:
            for i in range(stride):
                line[i] = (line[i] + prev[i]) & 255
        elif kind == 3:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + (a + prev[i]) // 2) & 255
        elif kind == 4:
            for i in range(stride):
                a = line[i - bpp] if i >= bpp else 0
                b, c = prev[i], prev[i - bpp] if i >= bpp else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    # Pixels as RGB triples, row by row.
    pixels = [bytes(row[x * bpp:x * bpp + 3]) for row in rows for x in range(width)]
    return width, height, pixels


def main(args):
    if len(args) == 2 and args[0] == 'probe':
        width, height, pixels = decode(args[1])
        print(width, height, pixels[(height // 2) * width + width // 2].hex())
    elif len(args) == 2 and args[0] == 'stats':
        width, height, pixels = decode(args[1])
        nonwhite = sum(1 for p in pixels if p != b'\xff\xff\xff')
        print(width, height, len(set(pixels)), nonwhite * 1000 // max(len(pixels), 1))
    elif len(args) == 3 and args[0] == 'same':
        one, two = decode(args[1]), decode(args[2])
        if one[:2] != two[:2]:
            raise SystemExit('sizes differ: %dx%d and %dx%d' % (one[0], one[1], two[0], two[1]))
        same = sum(1 for a, b in zip(one[2], two[2]) if a == b)
        print(same * 1000 // max(len(one[2]), 1))
    else:
        raise SystemExit(__doc__)


main(sys.argv[1:])
