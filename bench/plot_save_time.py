#!/usr/bin/python3
"""Plots the time of a driver-wide save against the number of server-side
properties, measured with settings_bench for both stores of the driver key
(the driver's configuration file, as the tool keeps it on Linux, and the
machine hive), beside Wine 8's registry.

Wine's line is not measured here: it is its anchor figures for N
open-set-close writes (39 us each at N = 1,000 and 119 us each at
N = 10,000, so 39 ms and 1.19 s), joined on the log-log plot.

    bench/plot_save_time.py [BUILD_DIR [OUT.png [ROUNDS]]]
        # defaults: build bench/save_time.png 3

Needs matplotlib (Debian: python3-matplotlib).
"""
import os
import statistics
import subprocess
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

SIZES = [10, 30, 100, 300, 1000, 3000, 10000]
WINE_ANCHORS = {1000: 39e-6 * 1000, 10000: 119e-6 * 10000}


def measure(program, properties, rounds, store):
    """Median save time in seconds of fresh processes saving that many properties."""
    saves = []
    for _ in range(rounds):
        output = subprocess.run([program, "--one", str(properties), store], check=True, capture_output=True,
                                text=True)
        _load_ms, save_ms, _peak_kib = output.stdout.split()
        saves.append(float(save_ms) / 1000.0)
    return statistics.median(saves)


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    out = sys.argv[2] if len(sys.argv) > 2 else os.path.join(os.path.dirname(__file__), "save_time.png")
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 3
    program = os.path.join(build, "bench", "settings_bench")

    ours = [measure(program, n, rounds, "file") for n in SIZES]
    hive = [measure(program, n, rounds, "hive") for n in SIZES]
    for n, seconds, hive_seconds in zip(SIZES, ours, hive):
        print(f"{n:8d} properties: save {seconds * 1000:9.1f} ms  ({seconds / n * 1e6:6.1f} us per property)"
              f"   hive {hive_seconds * 1000:9.1f} ms")

    figure, axes = plt.subplots(figsize=(8, 5), dpi=110)
    axes.loglog(SIZES, ours, "o-", color="tab:blue",
                label="dravo-spark-config save to the configuration file\n(one replace; settings_bench, median)")
    axes.loglog(SIZES, hive, "^:", color="tab:green",
                label="the same save to the machine hive (a record per value)")
    wine_n = sorted(WINE_ANCHORS)
    axes.loglog(wine_n, [WINE_ANCHORS[n] for n in wine_n], "s--", color="tab:red",
                label="Wine 8 registry, N open-set-close writes\n(anchor figures: 39 us x N at 1,000, 119 us x N at 10,000)")
    for n in wine_n:
        axes.annotate(f"{WINE_ANCHORS[n] * 1000:.0f} ms", (n, WINE_ANCHORS[n]), textcoords="offset points",
                      xytext=(-58, 4), color="tab:red")
    for n, seconds in zip(SIZES, ours):
        if n in WINE_ANCHORS:
            axes.annotate(f"{seconds * 1000:.0f} ms", (n, seconds), textcoords="offset points", xytext=(6, -14),
                          color="tab:blue")
    axes.set_xlim(7, 30000)  # room for the labels of the last points
    axes.set_xlabel("server-side properties saved (N)")
    axes.set_ylabel("time of one save (s)")
    axes.set_title("Driver-wide save time against the number of server-side properties")
    axes.grid(True, which="both", alpha=0.3)
    axes.legend(loc="upper left", fontsize=8)
    figure.tight_layout()
    figure.savefig(out)
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
