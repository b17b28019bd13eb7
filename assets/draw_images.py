#!/usr/bin/python3
"""Draws the configurator's pictures into this folder.

busy_00.png .. busy_11.png: the busy animation, 100 x 100, a ring of twelve blue dots whose
bright head moves one dot clockwise per frame, with the red caption "Ждите!!!" in the middle.
Frames 0 and 1 are RGBA, the others RGB (the program takes both forms).
about_banner.png: 370 x 70 RGB, green and orange curves on black, no text.
All 8 bits per channel, non-interlaced.

With --scale 1.5 or 2 and --output FOLDER it draws the same pictures that many times larger
(busy_00@1.5x.png ...), for screens set to a higher scale; the build does this.
"""
import argparse
import math
import os

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
SCALE = 4  # drawn large, then reduced, for smooth edges


def busy_frame(index, scale):
    side = round(100 * scale)
    size = 100 * SCALE
    image = Image.new("RGBA", (size, size), (240, 240, 240, 255))
    draw = ImageDraw.Draw(image)
    centre, ring, dot = size / 2, 40 * SCALE, 6 * SCALE
    for position in range(12):
        # Position 0 is at twelve o'clock; screen angles grow clockwise.
        angle = math.radians(-90 + 30 * position)
        age = (index - position) % 12  # 0 = the head, 11 = the faintest tail
        level = 1.0 - age / 12
        colour = (int(40 + 160 * (1 - level)), int(60 + 150 * (1 - level)), 255, 255)
        x, y = centre + ring * math.cos(angle), centre + ring * math.sin(angle)
        draw.ellipse((x - dot, y - dot, x + dot, y + dot), fill=colour)
    font = ImageFont.truetype(FONT, 11 * SCALE)
    draw.text((centre, centre), "Ждите!!!", font=font, fill=(220, 0, 0, 255), anchor="mm")
    image = image.resize((side, side), Image.LANCZOS)
    return image if index < 2 else image.convert("RGB")


def banner(scale):
    width, height = 370 * SCALE, 70 * SCALE
    image = Image.new("RGB", (width, height), (0, 0, 0))
    draw = ImageDraw.Draw(image)
    curves = [
        ((40, 200, 60), 22, 1.0, 0.0),
        ((120, 255, 120), 14, 1.6, 1.2),
        ((255, 140, 0), 18, 1.3, 2.4),
        ((255, 190, 60), 10, 2.1, 0.6),
    ]
    for colour, amplitude, turns, phase in curves:
        points = []
        for step in range(0, width + 1, 4):
            t = step / width
            y = height / 2 + amplitude * SCALE * math.sin(2 * math.pi * turns * t + phase) \
                * (0.6 + 0.4 * math.sin(math.pi * t))
            points.append((step, y))
        draw.line(points, fill=colour, width=3 * SCALE, joint="curve")
    return image.resize((round(370 * scale), round(70 * scale)), Image.LANCZOS)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--scale", type=float, default=1.0)
    parser.add_argument("--output", default=HERE)
    arguments = parser.parse_args()
    scale = arguments.scale
    suffix = "" if scale == 1 else f"@{scale:g}x"
    for index in range(12):
        busy_frame(index, scale).save(
            os.path.join(arguments.output, f"busy_{index:02d}{suffix}.png"), optimize=False)
    banner(scale).save(os.path.join(arguments.output, f"about_banner{suffix}.png"),
                       optimize=False)


if __name__ == "__main__":
    main()
