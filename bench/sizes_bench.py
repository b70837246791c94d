"""Several sizes in one pass against the same sizes written one run at a time; see
bench/README.md. Measured like bench/parallel_bench.py: each command a process, wait4 for wall
time, CPU time and peak RSS."""

import os
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from parallel_bench import batch_arguments, copy_photos, measure  # noqa: E402

SIZES = ["1920x1080", "1200x1200", "400x400"]
QUALITY = 90


def main():
    args = batch_arguments().parse_args()
    photos = copy_photos(args.work, args.photos)
    cli = os.path.abspath(args.cli)

    def batch(out, size_options):
        return [cli, "batch", "--output", out, "--quality", "0.9"] + size_options + photos

    def one_size(size, out):
        width, height = size.split("x")
        return batch(out, ["--width", width, "--height", height])

    def in_turn(commands):
        return ["sh", "-c", " && ".join(" ".join(f"'{part}'" for part in c) for c in commands)]

    def thumbnail(size, out):
        os.makedirs(f"{out}/{size}", exist_ok=True)
        return ["vipsthumbnail", "-s", size, "-o",
                f"{out}/{size}/%s.jpg[Q={QUALITY},subsample-mode=off,strip]"] + photos

    rows = {
        "pictavo-cli batch --sizes (three sizes)":
            lambda out: batch(out, ["--sizes", ",".join(SIZES)]),
        "pictavo-cli batch, 1920x1080 only": lambda out: one_size(SIZES[0], out),
        "three pictavo-cli batch runs":
            lambda out: in_turn([one_size(s, f"{out}/{s}") for s in SIZES]),
        "three vipsthumbnail passes": lambda out: in_turn([thumbnail(s, out) for s in SIZES]),
    }
    figures = {name: [] for name in rows}
    started = time.monotonic()
    for _ in range(args.rounds):
        for index, (name, command) in enumerate(rows.items()):
            figures[name].append(measure(command, os.path.join(args.work, str(index))))
    elapsed = time.monotonic() - started

    print(f"{len(photos)} photos, sizes {', '.join(SIZES)}, {args.rounds} interleaved rounds "
          f"(median wall time, largest peak RSS), {elapsed:.0f} s")
    print(f"{'':42} {'wall s':>7} {'CPU s':>7} {'peak MB':>8}")
    wall, peak = {}, {}
    for name, runs in figures.items():
        wall[name] = statistics.median(r[0] for r in runs)
        peak[name] = max(r[2] for r in runs)
        print(f"{name:42} {wall[name]:7.2f} {statistics.median(r[1] for r in runs):7.2f} "
              f"{peak[name]:8.0f}")
    several = "pictavo-cli batch --sizes (three sizes)"
    largest = "pictavo-cli batch, 1920x1080 only"
    targets = [
        ("three sizes ≤ 1.5× the largest alone (time)", 1.5 * wall[largest] / wall[several]),
        ("three sizes ≥ 2× faster than three vipsthumbnail passes",
         wall["three vipsthumbnail passes"] / wall[several] / 2),
        ("three sizes faster than three separate runs",
         wall["three pictavo-cli batch runs"] / wall[several]),
        ("peak memory ≤ 1.3× the one-size run's", 1.3 * peak[largest] / peak[several]),
    ]
    print()
    failed = False
    for label, margin in targets:
        failed |= margin < 1
        print(f"{'PASS' if margin >= 1 else 'FAIL'}  {label} (margin {margin:.2f}×)")
    return 1 if failed else 0


if __name__ == "__main__":
    raise SystemExit(main())
