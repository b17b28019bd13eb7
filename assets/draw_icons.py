#!/usr/bin/python3
"""Draws the configurator's application icon into this folder.

kavrel-configurator-48.png and kavrel-configurator-128.png: RGBA, a signalling unit seen
from the front (a dark rounded body with a red lamp above a green one), on a transparent
ground. kavrel-configurator.svg is the same picture by hand, for the scalable size: change
both together.
"""
import os

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
SCALE = 8  # drawn large, then reduced, for smooth edges
# The picture on a 128-unit grid, as in the SVG.
BODY = ((28, 6, 100, 122), 16, (43, 52, 64, 255))
LAMPS = [((64, 41), 22, (224, 49, 42, 255)), ((64, 87), 22, (47, 191, 74, 255))]
RIM = (20, 24, 30, 255)


def icon(size):
    unit = size * SCALE / 128
    image = Image.new("RGBA", (size * SCALE, size * SCALE), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    box, radius, colour = BODY
    draw.rounded_rectangle([c * unit for c in box], radius * unit, fill=colour)
    for (x, y), r, lamp in LAMPS:
        draw.ellipse([(x - r - 3) * unit, (y - r - 3) * unit, (x + r + 3) * unit,
                      (y + r + 3) * unit], fill=RIM)
        draw.ellipse([(x - r) * unit, (y - r) * unit, (x + r) * unit, (y + r) * unit], fill=lamp)
        # A glint at the upper left, as on a domed lens.
        draw.ellipse([(x - 13) * unit, (y - 14) * unit, (x - 3) * unit, (y - 6) * unit],
                     fill=(255, 255, 255, 110))
    return image.resize((size, size), Image.LANCZOS)


def main():
    for size in (48, 128):
        icon(size).save(os.path.join(HERE, f"kavrel-configurator-{size}.png"), optimize=False)


if __name__ == "__main__":
    main()
