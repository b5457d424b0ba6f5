#!/usr/bin/env python3
"""Times Python's plistlib writing the mailing-log entries that the log-write
benchmark left behind, for bench/ratios.py to set beside ours.

    plistlib_log_write.py <folder> <out.json>

For every "logwrite-<N>.plist" in the folder (written by our own writer), the
entries are read back with plistlib and written again as a binary property
list with plistlib.dumps; the median CPU time of a few runs is stored as the
benchmark "LogWrite/plistlib/<N>" in the JSON form of Google Benchmark.
"""
import glob
import json
import os
import plistlib
import re
import statistics
import sys
import time


def main(folder, out_path):
    benchmarks = []
    for path in sorted(glob.glob(os.path.join(folder, "logwrite-*.plist"))):
        count = re.search(r"logwrite-(\d+)\.plist$", path).group(1)
        with open(path, "rb") as f:
            entries = plistlib.load(f)
        times = []
        for _ in range(3):
            start = time.process_time_ns()
            plistlib.dumps(entries, fmt=plistlib.FMT_BINARY)
            times.append(time.process_time_ns() - start)
        median = statistics.median(times)
        benchmarks.append({"name": f"LogWrite/plistlib/{count}", "run_type": "iteration",
                           "cpu_time": median / 1e6, "real_time": median / 1e6, "time_unit": "ms"})
        print(f"LogWrite/plistlib/{count}: {median / 1e6:.1f} ms (median of {len(times)})")
    with open(out_path, "w") as f:
        json.dump({"benchmarks": benchmarks}, f, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
