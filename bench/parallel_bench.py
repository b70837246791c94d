"""Throughput of the batch with several conversions at once against its peers; see
bench/README.md. Every command runs as its own process and is measured with wait4, so wall
time, CPU time (user + system, children included) and peak RSS need no `time` package."""

import argparse
import os
import shutil
import statistics
import subprocess
import time

SIZE, QUALITY = "1920x1080", 90


def measure(make_command, out):
    """Runs make_command(OUT) with OUT an empty folder (absolute)."""
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    command = make_command(out)
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit(f"failed ({status}): {' '.join(command[:6])} …")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1000


def copy_photos(work, originals):
    """Copies of the photos in WORK/in: a tool writing beside its sources cannot touch the
    originals."""
    copies = os.path.join(work, "in")
    os.makedirs(copies)
    photos = []
    for index, photo in enumerate(originals):
        photos.append(os.path.join(copies, f"{index}_{os.path.basename(photo)}"))
        shutil.copyfile(photo, photos[-1])
    return photos


def busy_cores():
    """Jiffies all processors spent busy, from /proc/stat, and the total."""
    with open("/proc/stat") as stat:
        fields = [int(f) for f in stat.readline().split()[1:]]
    idle = fields[3] + fields[4]
    return sum(fields) - idle, sum(fields)


def batch_arguments():
    """The options every batch benchmark takes: where to work, the program, rounds, photos."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--work", required=True)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--photos", nargs="+", required=True)
    return parser


def main():
    parser = batch_arguments()
    parser.add_argument("--rss", nargs="*", default=[])
    parser.add_argument("--huge", nargs="*", default=[])
    args = parser.parse_args()
    cores = os.cpu_count() or 1
    photos = copy_photos(args.work, args.photos)
    cli = os.path.abspath(args.cli)

    def batch(files, jobs=None):
        return lambda out: ([cli, "batch", "--output", out, "--width", "1920", "--height",
                             "1080", "--quality", "0.9"] +
                            (["--jobs", str(jobs)] if jobs else []) + files)

    # An output name without a folder would make vipsthumbnail write next to the source.
    def thumbnail_out(out):
        return f"{out}/%s.jpg[Q={QUALITY},subsample-mode=off,strip]"

    rows = {
        "pictavo-cli batch (automatic N)": batch(photos),
        **{f"pictavo-cli batch --jobs {n}": batch(photos, n) for n in (1, 2, 3, 4)},
        "vipsthumbnail, all files in one process":
            lambda out: ["vipsthumbnail", "-s", SIZE, "-o", thumbnail_out(out)] + photos,
        f"vipsthumbnail per file, xargs -P {cores}":
            lambda out: ["sh", "-c", f'printf "%s\\0" "$@" | xargs -0 -n 1 -P {cores} '
                         f'vipsthumbnail -s {SIZE} -o "{thumbnail_out(out)}"', "sh"] + photos,
        "mogrify (OpenMP threads)":
            lambda out: ["mogrify", "-path", out, "-auto-orient", "-resize", SIZE, "-quality",
                         str(QUALITY), "-sampling-factor", "4:4:4"] + photos,
    }
    figures = {name: [] for name in rows}
    busy_before = busy_cores()
    started = time.monotonic()
    for _ in range(args.rounds):
        for index, (name, command) in enumerate(rows.items()):
            figures[name].append(measure(command, os.path.join(args.work, str(index))))
    busy_after = busy_cores()
    elapsed = time.monotonic() - started

    print(f"{len(photos)} photos, {cores} processors, {args.rounds} interleaved rounds "
          f"(median wall time); CPU limit = processors / CPU seconds per image")
    print(f"{'':44} {'img/s':>7} {'CPU s/img':>10} {'limit img/s':>12} {'of limit':>9} "
          f"{'peak MB':>8}")
    throughput = {}
    for name, runs in figures.items():
        wall = statistics.median(r[0] for r in runs)
        cpu = statistics.median(r[1] for r in runs) / len(photos)
        throughput[name] = len(photos) / wall
        limit = cores / cpu
        print(f"{name:44} {throughput[name]:7.2f} {cpu:10.3f} {limit:12.2f} "
              f"{throughput[name] / limit:8.0%} {max(r[2] for r in runs):8.0f}")

    auto = throughput["pictavo-cli batch (automatic N)"]
    single = throughput["pictavo-cli batch --jobs 1"]
    print("\nScaling: " + ", ".join(
        f"N={n} {throughput[f'pictavo-cli batch --jobs {n}'] / single:.2f}×" for n in (1, 2, 3, 4)))
    targets = [
        ("automatic N ≥ 1.8× vipsthumbnail in one process",
         auto / throughput["vipsthumbnail, all files in one process"], 1.8),
        ("automatic N ≥ 1.3× vipsthumbnail under xargs -P",
         auto / throughput[f"vipsthumbnail per file, xargs -P {cores}"], 1.3),
        ("automatic N ≥ 8× mogrify", auto / throughput["mogrify (OpenMP threads)"], 8.0),
    ]
    if args.rss:
        _, _, peak = measure(batch([os.path.abspath(p) for p in args.rss]),
                             os.path.join(args.work, "rss"))
        targets.append((f"peak RSS on {len(args.rss)} × 12 MP ≤ 100 MB × {cores} "
                        f"({peak:.0f} MB)", 100 * cores / peak, 1.0))
    if args.huge:
        with open("/proc/meminfo") as meminfo:
            available = next(int(line.split()[1]) for line in meminfo
                             if line.startswith("MemAvailable:")) / 1000
        _, _, peak = measure(batch([os.path.abspath(p) for p in args.huge]),
                             os.path.join(args.work, "huge"))
        targets.append((f"peak RSS on {len(args.huge)} × 48 MP PNG ≤ 60 % of "
                        f"{available:.0f} MB available ({peak:.0f} MB)",
                        0.6 * available / peak, 1.0))
    print()
    failed = False
    for label, ratio, target in targets:
        ok = ratio >= target
        failed |= not ok
        print(f"{'PASS' if ok else 'FAIL'}  {label}: {ratio:.2f}×")
    others = (busy_after[0] - busy_before[0]) / max(busy_after[1] - busy_before[1], 1) * cores
    print(f"\nAll processors were busy {others:.2f} cores on average over {elapsed:.0f} s "
          "(the benchmark itself included; on a shared machine the ratios move by ±20 %).")
    return 1 if failed else 0


if __name__ == "__main__":
    raise SystemExit(main())
