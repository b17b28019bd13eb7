#!/usr/bin/python3
"""Names the captions of wndMain that a screenshot shows cut off at their right edge.

    cut_captions.py SCREENSHOT.png CLIENT_X CLIENT_Y SCALE

A caption drawn whole ends before its control does; one that is cut has ink in the last
columns of its rectangle. The rectangles are wndMain's, in pixels at 96 dpi.
"""
import sys

from PIL import Image

CAPTIONS = {  # name: x, y, width, height
    "optSlave": (14, 26, 90, 17),
    "optAutonomous": (14, 49, 90, 17),
    "lblAddress": (124, 23, 45, 15),
    "chkCountRed": (125, 45, 155, 14),
    "chkCountGreen": (125, 65, 155, 14),
    "chkIndicationRuAu": (125, 85, 155, 14),
    "lblPulseTime": (10, 125, 220, 15),
    "chkSoundOff": (10, 165, 215, 15),
    "lblSoundType": (10, 185, 166, 14),
    "lblVolume": (10, 230, 166, 14),
}


def cut(image, left, top, scale):
    names = []
    for name, (x, y, width, height) in CAPTIONS.items():
        box = [round(v * scale) for v in (x, y, x + width, y + height)]
        area = image.crop((left + box[0], top + box[1], left + box[2], top + box[3]))
        background = max(area.getcolors(area.width * area.height))[1]
        edge = area.crop((area.width - 2, 0, area.width, area.height))
        if any(max(abs(a - b) for a, b in zip(pixel, background)) > 60
               for pixel in edge.getdata()):
            names.append(name)
    return names


def main():
    shot, left, top, scale = sys.argv[1:5]
    image = Image.open(shot).convert("RGB")
    print(" ".join(cut(image, int(left), int(top), float(scale))))


if __name__ == "__main__":
    main()
