#!/usr/bin/env python3
"""Writes the shipped presets (data/*.set): each is the 121-byte parameter record,
packed little-endian without padding, with every value inside the range of the
conversion dialog control that sets it.

    python3 scripts/make-presets.py [output-folder]     (default: data/)
"""
import os
import struct
import sys

# Field order, struct codes and the conversion dialog's defaults (Draw Color off).
FIELDS = [
    ("Source", "I", 0), ("Left", "i", 0), ("Top", "i", 0), ("Width", "i", 0), ("Height", "i", 0),
    ("SketchType", "i", 2), ("Detail", "i", 115), ("Darkness", "i", 68), ("SketchSmooth", "i", 15),
    ("Sharper", "i", 0), ("RemainDark", "B", 0), ("RemainThreshold", "i", 0), ("RemainDarkness", "i", 0),
    ("SmoothType", "i", 0), ("ColorSmooth", "i", 2), ("BorderBlur", "i", 25), ("Brightness", "i", 0),
    ("Contrast", "i", 0), ("Saturation", "i", 0), ("Red", "i", 0), ("Green", "i", 0), ("Blue", "i", 0),
    ("DrawSketch", "B", 1), ("DrawColor", "B", 0), ("BlendMode", "i", 1), ("Opacity", "i", 50),
    ("ThresholdLevel", "i", 255), ("Reserved", "B", 0), ("ColorReducer", "i", 10), ("ReducerType", "i", 0),
    ("ColoringMode", "i", 1), ("HandleCount", "i", 0), ("Handles", "5s", b"\0\0\0\0\0"),
]

# The ranges of the controls (Handles are bytes, booleans 0 or 1).
RANGES = {
    "SketchType": (1, 2), "Detail": (0, 1024), "Darkness": (1, 256), "SketchSmooth": (0, 100),
    "Sharper": (0, 200), "RemainDark": (0, 1), "RemainThreshold": (0, 254), "RemainDarkness": (0, 255),
    "SmoothType": (0, 1), "ColorSmooth": (0, 19), "BorderBlur": (0, 255), "Brightness": (-255, 255),
    "Contrast": (-255, 255), "Saturation": (-127, 127), "Red": (-255, 255), "Green": (-255, 255),
    "Blue": (-255, 255), "DrawSketch": (0, 1), "DrawColor": (0, 1), "BlendMode": (1, 2), "Opacity": (1, 99),
    "ThresholdLevel": (0, 255), "ColorReducer": (1, 254), "ReducerType": (0, 1), "ColoringMode": (0, 1),
    "HandleCount": (0, 5),
}

PRESETS = {
    # The controls' defaults with both layers: what a plain conversion gives.
    "default.set": {"DrawColor": 1},
    # Bold ink outlines over few, flat, saturated colors.
    "cartoon.set": {
        "SketchType": 2, "Detail": 150, "Darkness": 96, "SketchSmooth": 25, "Sharper": 10,
        "DrawColor": 1, "ColorReducer": 28, "ColorSmooth": 5, "BorderBlur": 20,
        "Saturation": 25, "Contrast": 12,
    },
    # A gray pencil drawing that keeps the deepest shadows as shading.
    "sketch.set": {
        "SketchType": 2, "Detail": 70, "Darkness": 90, "SketchSmooth": 20,
        "RemainDark": 1, "RemainThreshold": 35, "RemainDarkness": 150,
    },
    # Clean black lines on white paper, nothing else.
    "linedrawing.set": {
        "SketchType": 1, "Detail": 120, "Darkness": 130, "SketchSmooth": 35, "Sharper": 10,
    },
    # A painting: soft patches of color, borders blurred, only faint lines.
    "canvas.set": {
        "SketchType": 2, "Detail": 130, "Darkness": 70, "SketchSmooth": 35,
        "DrawColor": 1, "ColorReducer": 20, "ColorSmooth": 5, "BorderBlur": 20,
        "Saturation": 20, "Contrast": 10,
    },
}


def record(overrides):
    values = {name: default for name, _, default in FIELDS}
    for name, value in overrides.items():
        if name not in values:
            raise SystemExit(f"unknown field {name}")
        values[name] = value
    for name, (lo, hi) in RANGES.items():
        if not lo <= values[name] <= hi:
            raise SystemExit(f"{name} = {values[name]} is outside {lo}..{hi}")
    data = struct.pack("<" + "".join(code for _, code, _ in FIELDS), *(values[n] for n, _, _ in FIELDS))
    assert len(data) == 121
    return data


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "data")
    for name, overrides in PRESETS.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(record(overrides))
        print("wrote", os.path.join(out, name))


if __name__ == "__main__":
    main()
