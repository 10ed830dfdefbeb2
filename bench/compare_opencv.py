#!/usr/bin/python3
"""The nearest OpenCV calls to Tegmora's per-pixel filters, timed against a
copy of the same 4096 x 4096 BGRA buffer: one thread, processor time,
medians.

Run beside bench/effects_bench on the same machine in the same sitting and
compare the "x copy" columns; both report processor time. Needs Debian's
python3-opencv (scripts/deps.sh --bench installs it).
"""
import argparse
import statistics
import time

import cv2
import numpy as np

SIZE = 4096


def median_ms(run, repetitions):
    times = []
    for _ in range(repetitions):
        start = time.process_time()
        run()
        times.append((time.process_time() - start) * 1000)
    return statistics.median(times)


def cases(image, target):
    grey = np.empty(image.shape[:2], np.uint8)
    table = np.clip(np.rint(np.arange(256) * 1.1), 0, 255).astype(np.uint8)

    def average_grey():
        cv2.cvtColor(image, cv2.COLOR_BGRA2GRAY, dst=grey)
        cv2.cvtColor(grey, cv2.COLOR_GRAY2BGRA, dst=target)

    def mean_and_table():
        cv2.mean(image)
        cv2.LUT(image, table, dst=target)

    return [
        ("copy", lambda: np.copyto(target, image)),
        ("2 Invert: bitwise_not", lambda: cv2.bitwise_not(image, dst=target)),
        ("12 Average Gray: BGRA>grey>BGRA", average_grey),
        ("14/31 Brightness, Gamma: LUT", lambda: cv2.LUT(image, table, dst=target)),
        ("16 Swap Channels: BGRA>RGBA", lambda: cv2.cvtColor(image, cv2.COLOR_BGRA2RGBA, dst=target)),
        ("17 Contrast: mean + LUT", mean_and_table),
        ("18 Color Threshold: threshold", lambda: cv2.threshold(image, 127, 255, cv2.THRESH_BINARY, dst=target)),
    ]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repetitions", type=int, default=25)
    args = parser.parse_args()
    cv2.setNumThreads(1)
    image = np.random.default_rng(42).integers(0, 256, (SIZE, SIZE, 4), np.uint8)
    target = np.ones_like(image)
    print(f"OpenCV {cv2.__version__}, {SIZE} x {SIZE} BGRA noise, one thread, "
          f"median of {args.repetitions}")
    copy = None
    for name, run in cases(image, target):
        run()  # first touch of every page out of the timing
        ms = median_ms(run, args.repetitions)
        copy = copy or ms
        print(f"{name:36} {ms:7.2f} ms {ms / copy:5.2f}x copy")


if __name__ == "__main__":
    main()
