#!/usr/bin/env python3
"""Runs the engine and fio on the same directory with the same shape of work
and prints bytes per second and CPU seconds per GiB for both, and the ratios.

  bench/engine_vs_fio.py --engine build-bench/bench/engine_run --dir /mnt/x \
      [--seconds 20] [--sets 1 5] [--server-pid PID]

fio gets what the engine does: 10 jobs per set (half buffered, half opened with
O_DSYNC), files of the engine's per-thread budget, 64 KiB blocks, each file
created anew (as the engine makes a new file every cycle),
written then read back and compared with the pattern it was written with
(the engine compares with its block), again and again.

With --server-pid (the main process of the share's server), it also counts
what the server itself moved during each run: the read and write bytes of
/proc/PID/io, summed over that process and all its descendants. That is the
bytes of the file calls and of the connection together, so it is about twice
the data plus the protocol; what matters is the same count for both tools,
and it includes every pass the client-side count leaves out (the copy).
"""
import argparse
import json
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import threading
import time


def children_cpu():
    u = resource.getrusage(resource.RUSAGE_CHILDREN)
    return u.ru_utime + u.ru_stime


def descendants(root):
    """root and every process below it."""
    parent = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    stat = f.read()
            except OSError:
                continue
            parent[int(entry)] = int(stat[stat.rindex(")") + 2:].split()[1])
    found, todo = set(), [root]
    while todo:
        pid = todo.pop()
        found.add(pid)
        todo.extend(child for child, ppid in parent.items() if ppid == pid and child not in found)
    return found


def io_bytes(pid):
    """rchar + wchar of one process; None once it is gone."""
    try:
        with open(f"/proc/{pid}/io") as f:
            io = dict(line.split(": ") for line in f.read().splitlines())
    except OSError:
        return None
    return int(io["rchar"]) + int(io["wchar"])


class ServerBytes:
    """What a server's processes moved between start() and stop(). A server
    may end a connection's process and start another during a run, and the
    counts of a process die with it: so they are read every 100 ms, each
    process keeps its last count, and a process born meanwhile counts from 0."""

    def __init__(self, root):
        self.root = root

    def _sample(self):
        for pid in descendants(self.root):
            count = io_bytes(pid)
            if count is not None:
                self.last[pid] = count

    def _poll(self):
        while not self.done.wait(0.1):
            self._sample()

    def start(self):
        self.first, self.last = {}, {}
        if self.root is None:
            return
        self._sample()
        self.first = dict(self.last)
        self.done = threading.Event()
        self.thread = threading.Thread(target=self._poll)
        self.thread.start()

    def stop(self):
        if self.root is None:
            return 0
        self.done.set()
        self.thread.join()
        self._sample()
        return sum(count - self.first.get(pid, 0) for pid, count in self.last.items())


def run(cmd, env=None, check=True, cwd=None):
    """Output, wall seconds and CPU seconds (user + system) of one command;
    None for the output when it failed and `check` is off."""
    before = children_cpu()
    start = time.monotonic()
    out = subprocess.run(cmd, capture_output=True, text=True, env=env, cwd=cwd)
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
    # fio runs inside the directory: its --directory takes ':' as a list
    # separator, and a share's path may hold one (HOST:PORT).
    common = ["--bs=64k", f"--size={size_mb}m", "--rw=write",
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
        out, wall, cpu = run(cmd, check=not fresh_files, cwd=work)
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
    p.add_argument("--server-pid", type=int)
    a = p.parse_args()
    mount = subprocess.run(["findmnt", "-n", "-o", "FSTYPE", "--target", a.dir],
                           capture_output=True, text=True).stdout.strip()
    server = a.server_pid is not None
    print(f"{a.dir} ({mount}), {a.seconds} s per run")
    print(f"{'sets':>4} {'tool':>6} {'MB/s':>10} {'CPU s/GiB':>10}" +
          (f" {'server MB/s':>12}" if server else ""))
    for sets in a.sets:
        rows = {}
        for name, fn in (("engine", lambda: engine(a.engine, a.dir, a.seconds, sets)),
                         ("fio", lambda: fio(a.dir, a.seconds, sets))):
            served = ServerBytes(a.server_pid)
            served.start()
            moved, wall, cpu = fn()
            served = served.stop()
            rows[name] = (moved / wall, cpu / (moved / 2**30) if moved else float("inf"),
                          served / wall)
            print(f"{sets:>4} {name:>6} {rows[name][0] / 1e6:>10.1f} {rows[name][1]:>10.3f}" +
                  (f" {rows[name][2] / 1e6:>12.1f}" if server else ""))
        shares = engine.by_test
        total = sum(shares.values()) or 1
        print("       engine bytes by test: " +
              ", ".join(f"{k} {100 * v / total:.0f}%" for k, v in shares.items()))
        e, f = rows["engine"], rows["fio"]
        print(f"{sets:>4} {'ratio':>6} {e[0] / f[0]:>10.2f} {f[1] / e[1]:>10.2f}" +
              (f" {e[2] / f[2]:>12.2f}" if server else "") +
              "   (engine/fio bytes per second" + (" client and server side" if server else "") +
              "; fio/engine CPU per GiB, above 1 = engine cheaper)")


if __name__ == "__main__":
    main()
