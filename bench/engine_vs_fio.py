#!/usr/bin/env python3
"""Runs the engine and fio on the same directory with the same shape of work
and prints bytes per second and CPU seconds per GiB for both, and the ratios.

  bench/engine_vs_fio.py --engine build-bench/bench/engine_run --dir /mnt/x \
      [--seconds 20] [--sets 1 5]

fio gets what the engine does: 10 jobs per set (half buffered, half opened with
O_DSYNC), files of the engine's per-thread budget, 64 KiB blocks, each file
created anew (as the engine makes a new file every cycle),
written then read back and compared with the pattern it was written with
(the engine compares with its block), again and again.
"""
import argparse
import json
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time


def children_cpu():
    u = resource.getrusage(resource.RUSAGE_CHILDREN)
    return u.ru_utime + u.ru_stime


def run(cmd, env=None, check=True):
    """Output, wall seconds and CPU seconds (user + system) of one command;
    None for the output when it failed and `check` is off."""
    before = children_cpu()
    start = time.monotonic()
    out = subprocess.run(cmd, capture_output=True, text=True, env=env)
    wall = time.monotonic() - start
    if out.returncode != 0:
        if not check:
            return None, wall, children_cpu() - before
        sys.exit(f"{cmd[0]} failed ({out.returncode}): {out.stderr.strip()[:500]}")
    return out.stdout, wall, children_cpu() - before


def engine(binary, directory, seconds, sets):
    work = tempfile.mkdtemp(dir=directory)
    env = dict(os.environ, TMPDIR=work)  # the Temp and copy tests on the same mount
    try:
        out, wall, cpu = run([binary, work, str(seconds), str(sets)], env)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    r = json.loads(out)
    engine.by_test = r.get("byTest", {})
    return r["written"] + r["read"], wall, cpu


def fio(directory, seconds, sets, fresh_files=True):
    work = tempfile.mkdtemp(dir=directory)
    size_mb = max(1, 30 // (10 * sets))
    common = [f"--directory={work}", "--bs=64k", f"--size={size_mb}m", "--rw=write",
              "--verify=pattern", "--verify_pattern=0x5a5aa5a5", "--do_verify=1",
              "--verify_state_save=0",
              "--loops=1000000", f"--runtime={seconds}", "--ioengine=psync", "--fallocate=none",
              "--group_reporting", f"--numjobs={5 * sets}"]
    if fresh_files:
        common.append("--unlink_each_loop=1")
    # As the engine: buffered files are read back through the cache, O_DSYNC
    # ones from the storage (fio drops their cache before the verify pass).
    cmd = ["fio", "--output-format=json", "--name=buffered", *common, "--invalidate=0",
           "--name=dsync", *common, "--sync=dsync", "--invalidate=1"]
    try:
        out, wall, cpu = run(cmd, check=not fresh_files)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if out is None:
        # Some mounts refuse to delete a file just closed (an SMB server still
        # holds it): fio gives up there, so it overwrites its files instead.
        print("       (fio could not delete its files here; it overwrites them instead)")
        return fio(directory, seconds, sets, fresh_files=False)
    jobs = json.loads(out)["jobs"]
    moved = sum(j["write"]["io_bytes"] + j["read"]["io_bytes"] for j in jobs)
    return moved, wall, cpu


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--engine", required=True)
    p.add_argument("--dir", required=True)
    p.add_argument("--seconds", type=int, default=20)
    p.add_argument("--sets", type=int, nargs="+", default=[1, 5])
    a = p.parse_args()
    mount = subprocess.run(["findmnt", "-n", "-o", "FSTYPE", "--target", a.dir],
                           capture_output=True, text=True).stdout.strip()
    print(f"{a.dir} ({mount}), {a.seconds} s per run")
    print(f"{'sets':>4} {'tool':>6} {'MB/s':>10} {'CPU s/GiB':>10}")
    for sets in a.sets:
        rows = {}
        for name, fn in (("engine", lambda: engine(a.engine, a.dir, a.seconds, sets)),
                         ("fio", lambda: fio(a.dir, a.seconds, sets))):
            moved, wall, cpu = fn()
            rows[name] = (moved / wall, cpu / (moved / 2**30) if moved else float("inf"))
            print(f"{sets:>4} {name:>6} {rows[name][0] / 1e6:>10.1f} {rows[name][1]:>10.3f}")
        shares = engine.by_test
        total = sum(shares.values()) or 1
        print("       engine bytes by test: " +
              ", ".join(f"{k} {100 * v / total:.0f}%" for k, v in shares.items()))
        e, f = rows["engine"], rows["fio"]
        print(f"{sets:>4} {'ratio':>6} {e[0] / f[0]:>10.2f} {f[1] / e[1]:>10.2f}"
              "   (engine/fio bytes per second; fio/engine CPU per GiB, above 1 = engine cheaper)")


if __name__ == "__main__":
    main()
