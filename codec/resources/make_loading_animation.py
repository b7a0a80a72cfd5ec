#!/usr/bin/env python3
"""Draws the loading animation: a ring of ten dots whose bright spot runs round once a second.

Writes loading_animation.gif beside this script: 33 x 22 pixels, 30 frames of 100 ms, every
frame with its own colour table, looping for good (count 65535). Standard library only; the
build uses the committed GIF and never runs this.

    python3 make_loading_animation.py [output.gif]
"""

import math
import os
import struct
import sys

WIDTH, HEIGHT = 33, 22
FRAMES = 30
DELAY_CS = 10          # 100 ms, in the format's hundredths of a second
LOOPS = 65535
DOTS = 10
RING_RADIUS = 7.5
DOT_RADIUS = 1.9
COLOUR_BITS = 4        # 16 entries per table
# Dark grey rising to the player's accent blue.
BASE = (0x30, 0x30, 0x30)
ACCENT = (0x35, 0xB1, 0xEA)


def palette(frame):
    """A table of its own for each frame: the accent pulses gently with the frame number."""
    pulse = 0.85 + 0.15 * math.cos(2 * math.pi * frame / FRAMES)
    colours = [(0, 0, 0)]
    for i in range(1, 1 << COLOUR_BITS):
        t = (i / ((1 << COLOUR_BITS) - 1)) * pulse
        colours.append(tuple(int(round(b + (a - b) * t)) for a, b in zip(ACCENT, BASE)))
    return colours


def draw(frame):
    """Colour indices, row by row."""
    cx, cy = (WIDTH - 1) / 2, (HEIGHT - 1) / 2
    head = 2 * math.pi * frame / FRAMES
    pixels = bytearray(WIDTH * HEIGHT)
    for d in range(DOTS):
        angle = 2 * math.pi * d / DOTS
        behind = (head - angle) % (2 * math.pi)        # how far the bright spot has passed
        level = max(1, int(round(15 * (1 - behind / (2 * math.pi)) ** 2)))
        dx, dy = cx + RING_RADIUS * math.cos(angle), cy + RING_RADIUS * math.sin(angle)
        for y in range(HEIGHT):
            for x in range(WIDTH):
                distance = math.hypot(x - dx, y - dy)
                if distance <= DOT_RADIUS:
                    coverage = min(1.0, DOT_RADIUS + 0.5 - distance)
                    value = max(1, int(round(level * coverage)))
                    pixels[y * WIDTH + x] = max(pixels[y * WIDTH + x], value)
    return pixels


def lzw(indices, min_code_size):
    """The format's variable-width LZW, emitting a clear code whenever the table fills."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out, bit_buffer, bit_count = bytearray(), 0, 0

    def emit(code, width):
        nonlocal bit_buffer, bit_count
        bit_buffer |= code << bit_count
        bit_count += width
        while bit_count >= 8:
            out.append(bit_buffer & 0xFF)
            bit_buffer >>= 8
            bit_count -= 8

    def reset():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = reset()
    emit(clear, width)
    current = b""
    for value in indices:
        candidate = current + bytes([value])
        if candidate in table:
            current = candidate
            continue
        emit(table[current], width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table, next_code, width = reset()
        current = bytes([value])
    if current:
        emit(table[current], width)
    emit(end, width)
    if bit_count:
        out.append(bit_buffer & 0xFF)
    return bytes(out)


def sub_blocks(data):
    chunks = [data[i:i + 255] for i in range(0, len(data), 255)]
    return b"".join(bytes([len(c)]) + c for c in chunks) + b"\x00"


def build():
    gif = bytearray(b"GIF89a")
    # Logical screen without a global colour table.
    gif += struct.pack("<HHBBB", WIDTH, HEIGHT, 0x00, 0, 0)
    gif += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", LOOPS) + b"\x00"
    for frame in range(FRAMES):
        # Graphic control: replace the whole frame, no transparency.
        gif += b"\x21\xF9\x04" + struct.pack("<BHB", 0x04, DELAY_CS, 0) + b"\x00"
        gif += b"\x2C" + struct.pack("<HHHHB", 0, 0, WIDTH, HEIGHT, 0x80 | (COLOUR_BITS - 1))
        for colour in palette(frame):
            gif += bytes(colour)
        gif += bytes([COLOUR_BITS])
        gif += sub_blocks(lzw(draw(frame), COLOUR_BITS))
    gif += b"\x3B"
    return bytes(gif)


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                                "loading_animation.gif")
    with open(target, "wb") as f:
        f.write(build())


if __name__ == "__main__":
    main()
