#!/usr/bin/python3
"""The nearest OpenCV calls to Tegmora's per-pixel and 3 x 3 filters, timed
against a copy of the same 4096 x 4096 BGRA buffer: one thread, processor
time, medians. Where OpenCV has several ways, each is timed: compare with the
fastest.

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

    def kernel(*weights, divisor=1):
        return np.array(weights, np.float32).reshape(3, 3) / divisor

    def filtered(weights):
        return lambda: cv2.filter2D(image, -1, weights, dst=target)

    square = np.ones((3, 3), np.uint8)
    eroded = np.empty_like(image)

    def inner_edge():
        cv2.erode(image, square, dst=eroded)
        cv2.subtract(image, eroded, dst=target)

    def saturation():
        strength = 0.15
        cv2.cvtColor(image, cv2.COLOR_BGRA2GRAY, dst=grey)
        cv2.cvtColor(grey, cv2.COLOR_GRAY2BGRA, dst=eroded)
        cv2.addWeighted(image, 1 + strength, eroded, -strength, 0, dst=target)

    return [
        ("copy", lambda: np.copyto(target, image)),
        ("2 Invert: bitwise_not", lambda: cv2.bitwise_not(image, dst=target)),
        ("12 Average Gray: BGRA>grey>BGRA", average_grey),
        ("14/31 Brightness, Gamma: LUT", lambda: cv2.LUT(image, table, dst=target)),
        ("16 Swap Channels: BGRA>RGBA", lambda: cv2.cvtColor(image, cv2.COLOR_BGRA2RGBA, dst=target)),
        ("17 Contrast: mean + LUT", mean_and_table),
        ("18 Color Threshold: threshold", lambda: cv2.threshold(image, 127, 255, cv2.THRESH_BINARY, dst=target)),
        # The 3 x 3 filters at the benchmark's amounts.
        ("1 Sharpen: filter2D", filtered(kernel(-2, -2, -2, -2, 26, -2, -2, -2, -2, divisor=10))),
        ("3 Blur: filter2D ring", filtered(kernel(1, 1, 1, 1, 0, 1, 1, 1, 1, divisor=8))),
        ("3 Blur: blur", lambda: cv2.blur(image, (3, 3), dst=target)),
        ("5 Smooth: filter2D cross", filtered(kernel(0, 1, 0, 1, 1, 1, 0, 1, 0, divisor=5))),
        ("6 Edge Enhance: filter2D", filtered(kernel(-1, -1, -1, -1, 10, -1, -1, -1, -1, divisor=2))),
        ("7 Contour: Laplacian", lambda: cv2.Laplacian(image, -1, ksize=1, dst=target)),
        ("13 Relief: filter2D", filtered(kernel(2, 1, 0, 1, 1, -1, 0, -1, -2, divisor=2))),
        ("25 Dilate: dilate", lambda: cv2.dilate(image, square, dst=target)),
        ("26 Erode: erode", lambda: cv2.erode(image, square, dst=target)),
        ("27 Inner Edge: erode + subtract", inner_edge),
        ("30 Saturation: grey + addWeighted", saturation),
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
