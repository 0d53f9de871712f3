#!/usr/bin/env python3
"""The table of speed goals over every benchmark binary.

Reads the lines the binaries append with --zotrel_results (one per case and
run: binary, case, zotrel ns, baseline ns, goal ratio, goal ns, baseline) and
the callgrind dumps of their --zotrel_instructions runs, and prints one table:
case, time ratio (median over the runs of the case), instruction ratio, the
recorded instruction ratio, goal, verdict.

How a case is judged (--check exits 1 when any case is missed or regressed):
  met        the time ratio (or the absolute time) is within its goal.
  met~       the time ratio is over its goal by at most MARGIN, and the
             instruction ratio is no higher than when it was recorded (within
             INSTR_SLACK): the code did not get heavier, so the excess is
             taken for noise of this machine.
  missed     otherwise. Time stays the headline: page faults, cache misses and
             kernel time are real costs that an instruction count does not
             see, so no instruction figure can make up for a larger excess.
  regressed  the instruction ratio rose more than INSTR_REGRESSION above its
             recorded value, whatever the time said: a deterministic sign
             that the Zotrel side does more work than it did. Record anew
             (--record) only on purpose, with the reason in the commit.
  info       a case without a goal, reported only.

A case whose instruction count differs from run to run (work shared with
other threads, lookups in trees ordered by address) has no instruction count
and is judged on time.

--missed prints "binary case" for every case whose time is over its goal, so
that scripts/bench.sh can run those once more before judging.
"""
import argparse
import collections
import glob
import os
import re
import statistics
import sys

MARGIN = 1.10
INSTR_SLACK = 1.03
INSTR_REGRESSION = 1.10


def read_times(path):
    runs = collections.defaultdict(list)
    info = {}
    with open(path) as f:
        for line in f:
            fields = line.rstrip("\n").split("\t")
            if len(fields) < 7:
                continue
            binary, case, zt, base, goal_ratio, goal_ns, baseline = fields[:7]
            key = (binary, case)
            runs[key].append((float(zt), float(base)))
            info[key] = (float(goal_ratio), float(goal_ns), baseline)
    return runs, info


def read_instructions(folder):
    """Instructions per iteration of each side, from the n and 2n dumps."""
    counts = collections.defaultdict(dict)  # (binary, case, side) -> {iterations: total}
    label = re.compile(r"^desc: Trigger: Client Request: zotrel-instr (\S+)/(zotrel|baseline) (\d+)")
    for binary_dir in sorted(glob.glob(os.path.join(folder, "*"))):
        if not os.path.isdir(binary_dir):
            continue
        binary = os.path.basename(binary_dir)
        for dump in glob.glob(os.path.join(binary_dir, "*")):
            key = iterations = total = None
            with open(dump, errors="replace") as f:
                for line in f:
                    m = label.match(line)
                    if m:
                        key = (binary, m.group(1), m.group(2))
                        iterations = int(m.group(3))
                    elif line.startswith(("summary:", "totals:")) and key:
                        total = int(line.split()[1])
                        break
            if key and total is not None:
                counts[key][iterations] = total
    per_iteration = {}
    for key, by_n in counts.items():
        if len(by_n) < 2:
            continue
        n, m = sorted(by_n)[:2]
        per_iteration[key] = (by_n[m] - by_n[n]) / (m - n)
    ratios = {}
    for (binary, case, side), value in per_iteration.items():
        if side != "zotrel":
            continue
        base = per_iteration.get((binary, case, "baseline"))
        if base and base > 0:
            ratios[(binary, case)] = value / base
    return ratios


def read_reference(path):
    reference = {}
    if path and os.path.exists(path):
        with open(path) as f:
            for line in f:
                if line.startswith("#") or not line.strip():
                    continue
                binary, case, ratio = line.split()[:3]
                reference[(binary, case)] = float(ratio)
    return reference


def judge(time_ratio, zt_ns, goal_ratio, goal_ns, instr, recorded):
    if goal_ratio <= 0 and goal_ns <= 0:
        return "info"
    if instr is not None and recorded is not None and goal_ratio > 0 and instr > recorded * INSTR_REGRESSION:
        return "regressed"
    if goal_ratio > 0:
        if time_ratio <= goal_ratio:
            return "met"
        quiet_code = instr is not None and recorded is not None and instr <= recorded * INSTR_SLACK
        if time_ratio <= goal_ratio * MARGIN and quiet_code:
            return "met~"
        return "missed"
    return "met" if zt_ns <= goal_ns else "missed"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--times", required=True)
    parser.add_argument("--instructions", help="folder of callgrind dumps, one sub-folder per binary")
    parser.add_argument("--reference", help="recorded instruction ratios")
    parser.add_argument("--record", action="store_true", help="write the instruction ratios to --reference")
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--missed", action="store_true")
    args = parser.parse_args()

    runs, info = read_times(args.times)
    instructions = read_instructions(args.instructions) if args.instructions else {}
    reference = read_reference(args.reference)

    if args.missed:
        for key, samples in runs.items():
            goal_ratio, goal_ns, _ = info[key]
            ratio = statistics.median(z / b for z, b in samples if b > 0) if goal_ratio > 0 else 0
            zt = statistics.median(z for z, _ in samples)
            if (goal_ratio > 0 and ratio > goal_ratio) or (goal_ratio <= 0 < goal_ns < zt):
                print(*key)
        return 0

    if args.record:
        with open(args.reference, "w") as f:
            f.write("# Instruction ratios (zotrel / baseline per iteration, callgrind) recorded by\n"
                    "# scripts/bench.sh --record-instructions. scripts/bench.sh --check fails a case\n"
                    "# whose ratio rises more than 10% above its line here.\n")
            for (binary, case), ratio in sorted(instructions.items()):
                f.write(f"{binary} {case} {ratio:.4f}\n")
        print(f"recorded {len(instructions)} instruction ratios in {args.reference}")

    print()
    print("Speed goals (time: median zotrel/baseline ratio over the runs; instr: callgrind ratio;")
    print(f"met~: over the goal by at most {round((MARGIN - 1) * 100)}% with no more instructions than recorded)")
    header = f"{'binary':<22} {'case':<38} {'runs':>4} {'time':>10} {'instr':>6} {'rec.':>6} {'goal':>10}  verdict"
    print(header)
    print("-" * len(header))
    failures = []
    for key in sorted(runs, key=lambda k: (k[0], k[1])):
        samples = runs[key]
        goal_ratio, goal_ns, baseline = info[key]
        zt = statistics.median(z for z, _ in samples)
        ratios = [z / b for z, b in samples if b > 0]
        ratio = statistics.median(ratios) if ratios else 0.0
        instr = instructions.get(key)
        recorded = reference.get(key)
        verdict = judge(ratio, zt, goal_ratio, goal_ns, instr, recorded)
        if goal_ratio > 0 or not ratios:
            shown = f"{ratio:.2f}x" if ratios else f"{zt:.0f} ns"
        else:
            shown = f"{zt:.1f} ns" if goal_ns > 0 else f"{ratio:.2f}x"
        goal = f"<= {goal_ratio:g}x" if goal_ratio > 0 else (f"<= {goal_ns:g} ns" if goal_ns > 0 else "-")
        fmt = lambda v: f"{v:.2f}" if v is not None else "-"
        print(f"{key[0]:<22} {key[1]:<38} {len(samples):>4} {shown:>10} {fmt(instr):>6} {fmt(recorded):>6} {goal:>10}  {verdict}")
        if verdict in ("missed", "regressed"):
            failures.append((key, verdict))
    if failures:
        print()
        for (binary, case), verdict in failures:
            print(f"{verdict}: {binary} {case}")
    if args.check and failures:
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
