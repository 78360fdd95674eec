#!/usr/bin/python3
"""Peak memory of tessellon-merge on pictures whose headers claim the largest size.

Run through bench/decode_budget.sh, which builds tessellon-merge in Release.
Writes, in a temporary folder:

  - four tiny files whose headers claim a picture of 2^28 pixels, 16384 x 16384
    (GIF, PNG, baseline JPEG and TIFF, 35 to 146 bytes with a few bytes of data);
  - the same four padded with 300 KB (comments, stored image data, codes that
    are not LZW): long enough that a real file could hold such a picture, so
    that each reader takes the picture's memory before the data runs short;
  - one well-formed large picture: a PNG of 16384 x 16384 pixels (2^28, the
    largest a reader accepts), a gradient that compresses to a few MiB;

then runs tessellon-merge on a grid of the tiny files, of the padded ones, of
the large one alone, and of all nine, and prints each run's exit status, wall
time and peak resident set size (from wait4()).

  decode_budget.py --merge PATH [--work DIR]
"""

import argparse
import os
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SIDE = 16384  # 16384 x 16384 = 2^28 pixels
PADDING = 300000  # more than any reader's bound asks of a picture of SIDE x SIDE


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png_header(width, height, colour_type):
    return b"\x89PNG\r\n\x1a\n" + png_chunk(
        b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    )


def bomb_png(padding=0):
    """8-bit greyscale; the image data inflates to padding zero bytes (or a few)."""
    zeros = b"\0" * (padding or 64)
    data = zlib.compress(zeros, 0 if padding else 9)
    header = png_chunk(b"IHDR", struct.pack(">IIBBBBB", SIDE, SIDE, 8, 0, 0, 0, 0))
    return b"\x89PNG\r\n\x1a\n" + header + png_chunk(b"IDAT", data) + png_chunk(b"IEND", b"")


def bomb_gif(padding=0):
    """A screen of SIDE x SIDE: tiny, with a 1 x 1 frame, which decodes to a picture
    of the screen's size; padded (in a comment), with a frame as large as the
    screen and a few bytes of data for it."""
    screen = b"GIF89a" + struct.pack("<HHBBB", SIDE, SIDE, 0x80, 0, 0) + b"\0\0\0\xff\xff\xff"
    comment = b""
    if padding:
        comment = b"\x21\xfe"
        left = padding
        while left:
            n = min(left, 255)
            comment += bytes([n]) + b"x" * n
            left -= n
        comment += b"\0"
    side = SIDE if padding else 1
    frame = b"," + struct.pack("<HHHHB", 0, 0, side, side, 0) + b"\x02\x02\x44\x01\x00"
    return screen + comment + frame + b";"


def bomb_jpeg(padding=0):
    """Baseline greyscale, the padding in comments, a few bytes of data."""
    dqt = b"\xff\xdb" + struct.pack(">H", 67) + b"\0" + b"\x01" * 64
    comments = b""
    left = padding
    while left:
        n = min(left, 60000)
        comments += b"\xff\xfe" + struct.pack(">H", n + 2) + b"x" * n
        left -= n
    sof = b"\xff\xc0" + struct.pack(">HBHHB", 11, 8, SIDE, SIDE, 1) + b"\x01\x11\x00"
    sos = b"\xff\xda" + struct.pack(">HB", 8, 1) + b"\x01\x00\x00\x3f\x00"
    return b"\xff\xd8" + dqt + comments + sof + sos + b"\x00" * 8 + b"\xff\xd9"


def bomb_tiff(padding=0):
    """8-bit greyscale in one strip: uncompressed with 16 bytes, or LZW with
    padding bytes that are no LZW codes."""
    data = padding or 16
    entries = [
        (256, 4, SIDE),  # width
        (257, 4, SIDE),  # height
        (258, 3, 8),  # bits per sample
        (259, 3, 5 if padding else 1),  # LZW or no compression
        (262, 3, 1),  # black is zero
        (273, 4, 8 + 2 + 9 * 12 + 4),  # the strip right after the directory
        (277, 3, 1),  # one sample per pixel
        (278, 4, SIDE),  # rows per strip
        (279, 4, data),  # the strip's bytes
    ]
    out = b"II*\0" + struct.pack("<IH", 8, len(entries))
    for tag, kind, value in entries:
        packed = struct.pack("<HH", value, 0) if kind == 3 else struct.pack("<I", value)
        out += struct.pack("<HHI", tag, kind, 1) + packed
    return out + struct.pack("<I", 0) + b"\xff" * data


def large_png(path):
    """A 2^28-pixel RGB gradient, written row by row without holding it."""
    compressor = zlib.compressobj(6)
    with open(path, "wb") as f:
        f.write(png_header(SIDE, SIDE, 2))
        idat = bytearray()
        for y in range(SIDE):
            if y % 64 == 0:
                row = bytes([0]) + bytes(
                    (x // 64) & 0xFF if c == 0 else (y // 64) & 0xFF if c == 1 else 128
                    for x in range(SIDE)
                    for c in range(3)
                )
            idat += compressor.compress(row)
            if len(idat) > (1 << 20):
                f.write(png_chunk(b"IDAT", bytes(idat)))
                idat.clear()
        idat += compressor.flush()
        f.write(png_chunk(b"IDAT", bytes(idat)))
        f.write(png_chunk(b"IEND", b""))


def run(merge, label, files):
    out = os.path.join(os.path.dirname(files[0]), "out.png")
    args = [merge, "--quiet", "--rows", "1", "--cols", str(len(files)), "--cell", "256x192"]
    args += ["--fit", "keep", "-o", out] + files
    start = time.monotonic()
    proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    skipped = proc.stderr.read().decode(errors="replace").splitlines()
    _, status, usage = os.wait4(proc.pid, 0)
    seconds = time.monotonic() - start
    proc.stderr.close()
    code = os.waitstatus_to_exitcode(status)
    peak = usage.ru_maxrss / 1024.0  # KiB to MiB
    print(f"{label:<28} exit {code}  {seconds:6.2f} s  peak {peak:8.1f} MiB", flush=True)
    for line in skipped:
        print(f"    {line}", flush=True)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--merge", required=True)
    p.add_argument("--work")
    a = p.parse_args()
    builders = [
        ("screen.gif", bomb_gif),
        ("header.png", bomb_png),
        ("header.jpg", bomb_jpeg),
        ("header.tif", bomb_tiff),
    ]
    with tempfile.TemporaryDirectory(dir=a.work) as work:

        def write(name, data):
            path = os.path.join(work, name)
            with open(path, "wb") as f:
                f.write(data)
            print(f"{name:<18} {len(data):7d} bytes", flush=True)
            return path

        tiny = [write(name, build()) for name, build in builders]
        # Long enough that a real file could hold the picture: past each
        # reader's bound, the decode budget is what keeps them apart.
        padded = [write("padded-" + name, build(PADDING)) for name, build in builders]
        large = os.path.join(work, "large.png")
        large_png(large)
        print(f"large.png          {os.path.getsize(large) / 1048576:.1f} MiB, {SIDE} x {SIDE}")
        run(a.merge, "four tiny headers", tiny)
        run(a.merge, "four padded headers", padded)
        run(a.merge, "one large picture", [large])
        run(a.merge, "large picture and headers", [large] + tiny + padded)


if __name__ == "__main__":
    sys.exit(main())
