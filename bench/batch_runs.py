#!/usr/bin/env python3
"""Times whole velmora-batch runs on one picture, the way a user meets them.

On the virtual machines measured, what a run costs depends less on the program than on
how the system supplies the memory it writes for the first time: on huge pages that are
quick to get, on huge pages that the host must first put together again, or on ordinary
pages (which also cost the program's own threads more, in address translation). Runs of
one sitting therefore fall into groups whose times differ by a third. This script runs
the converter N times, alternating with a second build (--other, for before and after)
and with the OpenCV recipe (--recipe, timed in this process as bench/opencv_recipe.py
times it), and prints every run with its processor times and page faults, then the
medians overall and for the runs whose memory came mostly on huge pages and mostly on
ordinary ones. Compare figures only within one sitting.

    python3 bench/batch_runs.py [--runs N] [--other BIN] [--recipe] BIN INPUT OUTPUT

BIN converts with the preset it finds as always (build/bin/default.set for a build);
GNU time (Debian: time) measures each run.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

PAGE = os.sysconf("SC_PAGE_SIZE")


def run_batch(binary, path_in, path_out):
    """One run: wall seconds, user and system seconds, minor faults and peak RSS (KiB).

    GNU time measures it: the peak a child reports to this process would include this
    process's own memory, which the child had before it started the converter."""
    timed = subprocess.run(["/usr/bin/time", "-f", "%e %U %S %R %M", binary, "-q", "-o", path_out, path_in],
                           stderr=subprocess.PIPE, text=True)
    if timed.returncode != 0:
        sys.exit(f"{binary} failed on {path_in}: {timed.stderr.strip()}")
    wall, user, system, faults, peak = timed.stderr.split()[-5:]
    return float(wall), float(user), float(system), int(faults), int(peak)


def ordinary_pages(run):
    # A run that faulted in at least half its peak memory page by page got ordinary
    # pages; one on huge pages takes a tenth as many faults.
    _, _, _, faults, peak_kib = run
    return faults * PAGE > peak_kib * 1024 // 2


def summary(name, runs):
    walls = [r[0] for r in runs]
    line = f"{name}: median {statistics.median(walls):.3f} s, fastest {min(walls):.3f} s over {len(runs)}"
    for label, group in (("huge pages", [r for r in runs if not ordinary_pages(r)]),
                         ("ordinary pages", [r for r in runs if ordinary_pages(r)])):
        if group:
            line += (f"; {label}: {statistics.median(r[0] for r in group):.3f} s"
                     f" ({len(group)} runs, system {statistics.median(r[2] for r in group):.2f} s)")
    line += f"; processor {statistics.median(r[1] + r[2] for r in runs):.3f} s"
    line += f"; peak {max(r[4] for r in runs) / 1024:.0f} MiB"
    print(line)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("binary")
    parser.add_argument("input")
    parser.add_argument("output")
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--other", help="a second velmora-batch, run after each run of the first")
    parser.add_argument("--recipe", action="store_true", help="also time the OpenCV recipe after each run")
    args = parser.parse_args()
    if not os.access("/usr/bin/time", os.X_OK):
        sys.exit("GNU time is not installed (apt-get install time)")
    cartoon = None
    if args.recipe:
        sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
        from opencv_recipe import cartoon  # exits with a message when OpenCV is missing
    binaries = [("A", args.binary)] + ([("B", args.other)] if args.other else [])
    runs = {name: [] for name, _ in binaries}
    recipe = []
    print("run  wall s  user s  sys s  minor faults  peak MiB")
    for i in range(args.runs):
        for name, binary in binaries:
            r = run_batch(binary, args.input, args.output)
            runs[name].append(r)
            print(f"{name}{i + 1:<3} {r[0]:6.3f}  {r[1]:6.3f} {r[2]:6.3f}  {r[3]:12d}  {r[4] / 1024:8.0f}")
            time.sleep(0.3)
        if cartoon:
            start = time.perf_counter()
            cartoon(args.input, args.output + ".recipe" + os.path.splitext(args.output)[1])
            recipe.append(time.perf_counter() - start)
    for name, binary in binaries:
        summary(f"{name} {binary}", runs[name])
    if recipe:
        print(f"OpenCV recipe: median {statistics.median(recipe):.3f} s, fastest {min(recipe):.3f} s")


if __name__ == "__main__":
    main()
