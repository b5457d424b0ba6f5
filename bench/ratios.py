#!/usr/bin/env python3
"""Prints the ratio of each of our benchmarks to its peers.

Benchmarks are named "Family/impl/input"; they are read from one or more
JSON files in Google Benchmark's form (bench/plistlib_log_write.py writes one
for Python's plistlib). For every "Family/ours/input" the
ratio to each "Family/<peer>/input" is printed (our time divided by the
peer's). When "Family/<peer>_clear/input" exists, its time is taken off the
peer's first: it times work the peer needs between two runs that is not part
of the job (zint's ZBarcode_Clear). Times are CPU times, the median when the
run was repeated.
"""
import json
import sys


def main(paths):
    benchmarks = []
    for path in paths:
        with open(path) as f:
            benchmarks += json.load(f)["benchmarks"]
    times = {}
    for b in benchmarks:
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        name = b.get("run_name", b["name"])
        times[name] = b["cpu_time"] * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
    rows = []
    for name, ours in sorted(times.items()):
        parts = name.split("/")
        if len(parts) < 3 or parts[1] != "ours":
            continue
        for other, peer in sorted(times.items()):
            op = other.split("/")
            if len(op) != len(parts) or op[0] != parts[0] or op[2:] != parts[2:]:
                continue
            if op[1] == "ours" or op[1].endswith("_clear"):
                continue
            clear_name = "/".join([op[0], op[1] + "_clear"] + op[2:])
            clear = times.get(clear_name, 0.0)
            net = peer - clear
            ratio = ours / net if net > 0 else float("nan")
            rows.append((parts[0], "/".join(parts[2:]), op[1], ours, net, clear, ratio))
    if not rows:
        print("ratios: no benchmark with a peer was run")
        return 0
    print()
    print(f"{'family':<12} {'input':<14} {'peer':<12} {'ours ns':>10} {'peer ns':>10} {'(clear)':>9} {'ratio':>7}")
    for fam, inp, peer, ours, net, clear, ratio in rows:
        c = f"{clear:9.0f}" if clear else " " * 9
        print(f"{fam:<12} {inp:<14} {peer:<12} {ours:10.0f} {net:10.0f} {c} {ratio:7.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:] or ["build-bench/bench.json"]))
