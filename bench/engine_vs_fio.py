#!/usr/bin/env python3
"""Runs the engine and fio on the same directory with the same shape of work
and prints bytes per second and CPU seconds per GiB for both, and the ratios.

  bench/engine_vs_fio.py --engine build-bench/bench/engine_run --dir /mnt/x \
      [--seconds 20] [--sets 1 5] [--server-pid PID] [--repeat N]

fio gets what the engine does: 10 jobs per set (half buffered, half opened with
O_DSYNC), files of the engine's per-thread budget, 64 KiB blocks, each file
created anew (as the engine makes a new file every cycle),
written then read back and compared with the pattern it was written with
(the engine compares with its block), again and again; and once more shaped
by the engine's own block sizes (SHAPED below). Where unlink_retry.so
lies next to the engine, fio runs with it: an SMB server may refuse for a
moment to delete a file just closed, which fio would not survive.

With --server-pid (the main process of the share's server), it also counts
what the server itself moved during each run: the read and write bytes of
/proc/PID/io, summed over that process and all its descendants. How many
times the data that is depends on the server (here about once for smbd, four
times for sshd, its connection and its SFTP process both counted); what
matters is the same count for every tool, and it includes every pass the
client-side count leaves out (the copy).
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
    """root and every process below it, each as (pid, start time): a pid
    taken again by a new process is another process."""
    parent, started = {}, {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    stat = f.read()
            except OSError:
                continue
            fields = stat[stat.rindex(")") + 2:].split()
            parent[int(entry)], started[int(entry)] = int(fields[1]), int(fields[19])
    found, todo = set(), [root]
    while todo:
        pid = todo.pop()
        found.add(pid)
        todo.extend(child for child, ppid in parent.items() if ppid == pid and child not in found)
    return {(pid, started[pid]) for pid in found if pid in started}


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
        for process in descendants(self.root):
            count = io_bytes(process[0])
            if count is not None:
                self.last[process] = count

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
        return sum(count - self.first.get(process, 0) for process, count in self.last.items())


def run(cmd, server, env=None, cwd=None):
    """Output, wall seconds, CPU seconds (user + system) of one command, and
    the bytes its server moved meanwhile."""
    before = children_cpu()
    server.start()
    start = time.monotonic()
    out = subprocess.run(cmd, capture_output=True, text=True, env=env, cwd=cwd)
    wall = time.monotonic() - start
    served = server.stop()
    if out.returncode != 0:
        sys.exit(f"{cmd[0]} failed ({out.returncode}): {out.stderr.strip()[:500]}")
    return out.stdout, wall, children_cpu() - before, served


def engine(binary, directory, seconds, sets, server):
    work = tempfile.mkdtemp(dir=directory)
    env = dict(os.environ, TMPDIR=work)  # the Temp and copy tests on the same mount
    try:
        out, wall, cpu, served = run([binary, work, str(seconds), str(sets)], server, env)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    r = json.loads(out)
    return r["written"] + r["read"], wall, cpu, served, r["byTest"]


# Jobs per set and access mode, by block size. The reference: five jobs of
# 64 KiB blocks. The engine's own shape: what its rules let it move, one job
# per test kind that moves data (the byte-by-byte test moves next to none)
# with that kind's block size; the copy job writes and reads back its file,
# and has no copy pass.
REFERENCE = {65536: 5}
SHAPED = {65536: 1, 58997: 2, 9651: 1}


def fio(directory, seconds, sets, server, jobs, preload):
    work = tempfile.mkdtemp(dir=directory)
    size_mb = max(1, 30 // (10 * sets))
    common = [f"--size={size_mb}m", "--rw=write",
              "--verify=pattern", "--verify_pattern=0x5a5aa5a5", "--do_verify=1",
              "--verify_state_save=0",
              "--loops=1000000", f"--runtime={seconds}", "--ioengine=psync", "--fallocate=none",
              "--group_reporting", "--unlink_each_loop=1"]
    # As the engine: buffered files are read back through the cache, O_DSYNC
    # ones from the storage (fio drops their cache before the verify pass).
    cmd = ["fio", "--output-format=json"]
    for mode, flags in (("buffered", ["--invalidate=0"]),
                        ("dsync", ["--sync=dsync", "--invalidate=1"])):
        for bs, count in jobs.items():
            cmd += [f"--name={mode}-{bs}", *common, f"--bs={bs}",
                    f"--numjobs={count * sets}", *flags]
    # A new file each loop, as the engine: fio deletes its files through
    # unlink_retry.so where it is built (next to this script's engine).
    env = dict(os.environ, LD_PRELOAD=preload) if preload else None
    try:
        # fio runs inside the directory: its --directory takes ':' as a list
        # separator, and a share's path may hold one (HOST:PORT).
        out, wall, cpu, served = run(cmd, server, env, cwd=work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    moved = sum(j["write"]["io_bytes"] + j["read"]["io_bytes"]
                for j in json.loads(out)["jobs"])
    return moved, wall, cpu, served, {}


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--engine", required=True)
    p.add_argument("--dir", required=True)
    p.add_argument("--seconds", type=int, default=20)
    p.add_argument("--sets", type=int, nargs="+", default=[1, 5])
    p.add_argument("--server-pid", type=int)
    p.add_argument("--repeat", type=int, default=1)
    a = p.parse_args()
    shim = os.path.join(os.path.dirname(os.path.abspath(a.engine)), "unlink_retry.so")
    preload = shim if os.path.exists(shim) else None
    mount = subprocess.run(["findmnt", "-n", "-o", "FSTYPE", "--target", a.dir],
                           capture_output=True, text=True).stdout.strip()
    server = ServerBytes(a.server_pid)
    has_server = a.server_pid is not None
    print(f"{a.dir} ({mount}), {a.seconds} s per run, median of {a.repeat}")
    print(f"{'sets':>4} {'tool':>8} {'MB/s':>10} {'CPU s/GiB':>10}" +
          (f" {'server MB/s':>12}" if has_server else ""))
    for sets in a.sets:
        tools = (("engine", lambda: engine(a.engine, a.dir, a.seconds, sets, server)),
                 ("fio", lambda: fio(a.dir, a.seconds, sets, server, REFERENCE, preload)),
                 ("shaped", lambda: fio(a.dir, a.seconds, sets, server, SHAPED, preload)))
        # The tools take turns, so that a slow spell of a shared machine
        # falls on all of them.
        runs = {name: [] for name, _ in tools}
        for _ in range(a.repeat):
            for name, fn in tools:
                moved, wall, cpu, served, by_test = fn()
                runs[name].append((moved / wall, cpu / (moved / 2**30) if moved else float("inf"),
                                   served / wall, wall, by_test))
        # Each tool's median run by bytes per second, whole: its other
        # figures are that run's own.
        rows = {name: sorted(found, key=lambda r: r[0])[len(found) // 2]
                for name, found in runs.items()}
        for name, row in rows.items():
            print(f"{sets:>4} {name:>8} {row[0] / 1e6:>10.1f} {row[1]:>10.3f}" +
                  (f" {row[2] / 1e6:>12.1f}" if has_server else ""))
        wall_engine, shares = rows["engine"][3], rows["engine"][4]
        total = sum(shares.values()) or 1
        print("        engine bytes by test: " +
              ", ".join(f"{k} {100 * v / total:.0f}%" for k, v in shares.items()) +
              f"; its 0.5 s start delay: {50 / wall_engine:.1f}% of its time")
        e = rows["engine"]
        for ref in ("fio", "shaped"):
            f = rows[ref]
            print(f"{sets:>4} {'÷ ' + ref:>8} {e[0] / f[0]:>10.2f} {f[1] / e[1]:>10.2f}" +
                  (f" {e[2] / f[2]:>12.2f}" if has_server else ""))
    print("(÷: engine/fio bytes per second" + (", client and server side" if has_server else "") +
          "; fio/engine CPU per GiB, above 1 = the engine is cheaper)")


if __name__ == "__main__":
    main()
