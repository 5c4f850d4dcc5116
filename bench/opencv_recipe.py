#!/usr/bin/env python3
"""Times the usual OpenCV cartoon recipe on a picture, for comparison with velmora-batch.

The recipe is what a user would script instead of using Velmora: median blur of the
grey picture, an adaptive threshold for the strokes, a bilateral filter of diameter 9
for the flat colors, and the two combined. Reading and writing are included, as they
are in a velmora-batch run. OpenCV for Python (Debian: python3-opencv) is needed only
for this comparison; nothing in Velmora depends on it.

    python3 bench/opencv_recipe.py INPUT OUTPUT [RUNS]

prints each run's wall time and the median. Peak memory is measured from outside:
    /usr/bin/time -v python3 bench/opencv_recipe.py INPUT OUTPUT 1
"""
import statistics
import sys
import time

try:
    import cv2
except ImportError:
    sys.exit("OpenCV for Python is not installed (apt-get install python3-opencv)")


def cartoon(path_in, path_out):
    img = cv2.imread(path_in, cv2.IMREAD_COLOR)
    if img is None:
        sys.exit(f"cannot read {path_in}")
    grey = cv2.cvtColor(img, cv2.COLOR_BGR2GRAY)
    grey = cv2.medianBlur(grey, 5)
    edges = cv2.adaptiveThreshold(grey, 255, cv2.ADAPTIVE_THRESH_MEAN_C, cv2.THRESH_BINARY, 9, 9)
    color = cv2.bilateralFilter(img, 9, 250, 250)
    result = cv2.bitwise_and(color, color, mask=edges)
    if not cv2.imwrite(path_out, result):
        sys.exit(f"cannot write {path_out}")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        cartoon(sys.argv[1], sys.argv[2])
        times.append(time.perf_counter() - start)
        print(f"{times[-1]:.3f} s")
    print(f"median of {runs}: {statistics.median(times):.3f} s")


if __name__ == "__main__":
    main()
