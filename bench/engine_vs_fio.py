#!/usr/bin/env python3
"""Runs the engine and fio on the same directory with the same shape of work
and prints each tool's bytes per second, CPU seconds and system calls per GiB,
then one summary line of figures and ratios per number of sets.

  bench/engine_vs_fio.py --engine build-bench/bench/engine_run --dir /mnt/x \
      [--seconds 20] [--sets 1 5] [--server-pid PID] [--repeat N] [--label NAME]
      [--calls auto|perf|strace]

fio gets what the engine does: 10 jobs per set (half buffered, half opened with
O_DSYNC), files of the engine's per-thread budget, 64 KiB blocks, each file
created anew (as the engine makes a new file every cycle),
written then read back and compared with the pattern it was written with
(the engine compares with its block), again and again; and once more shaped
by the engine's own block sizes (SHAPED below). Where unlink_retry.so
lies next to the engine, fio runs with it: an SMB server may refuse for a
moment to delete a file just closed, which fio would not survive.

fio runs with --thread: all its jobs are threads of one process, as the
engine's tests are. As processes, each fio job calls setsid(), and with the
kernel's autogroup scheduling a loaded machine then gives every job a CPU
share of its own while the whole engine gets one: the comparison measured
the scheduler, not the tools.

The engine's copy test copies each file it wrote to the temporary directory
before reading the copy back; those copied bytes are in none of the engine's
compared bytes (nor does fio do any such pass) and show in a column of their
own, copy MB/s (engine_run counts them from the copy test's read-back).

System calls are counted around each run with `perf stat -e
raw_syscalls:sys_enter` (all threads of the tool). Where that tracepoint
cannot be counted, each tool gets one more short run under `strace -f -c`
for its count only; the summary's calls= key says which.

Each mount's output ends with one summary line per number of sets, a line of
space-separated key=value pairs that begins with "summary" (keys in
summary_line() below, README: docs/benchmarks.md).

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


EVENT = "raw_syscalls:sys_enter"


def loadavg():
    """The machine's load over the last minute, as /proc/loadavg gives it."""
    with open("/proc/loadavg") as f:
        return float(f.read().split()[0])


def perf_counts():
    """Whether perf can count the system-call tracepoint here."""
    try:
        probe = subprocess.run(["perf", "stat", "-x,", "-e", EVENT, "--", "true"],
                               capture_output=True, text=True)
    except OSError:
        return False
    return probe.returncode == 0 and parse_calls("perf", probe.stderr) is not None


def parse_calls(how, text):
    """The number of system calls in perf stat -x, or strace -c output."""
    for line in text.splitlines():
        fields = line.split(",") if how == "perf" else line.split()
        if how == "perf" and len(fields) > 2 and fields[2] == EVENT:
            return int(fields[0]) if fields[0].isdigit() else None
        if how == "strace" and fields and fields[-1] == "total":
            return int(fields[3])
    return None


def run(cmd, server, env=None, cwd=None, calls=None):
    """One command's output, wall seconds, CPU seconds (user + system), the
    bytes its server moved meanwhile, the machine's load at its start, and
    its system calls when counted ("perf" or "strace")."""
    tool = cmd[0]
    with tempfile.NamedTemporaryFile("r") as counted:
        if calls == "perf":
            cmd = ["perf", "stat", "-x,", "-o", counted.name, "-e", EVENT, "--", *cmd]
        elif calls == "strace":
            cmd = ["strace", "-f", "-c", "-o", counted.name, *cmd]
        load = loadavg()
        before = children_cpu()
        server.start()
        start = time.monotonic()
        out = subprocess.run(cmd, capture_output=True, text=True, env=env, cwd=cwd)
        wall = time.monotonic() - start
        served = server.stop()
        if out.returncode != 0:
            sys.exit(f"{tool} failed ({out.returncode}): {out.stderr.strip()[:500]}")
        n = parse_calls(calls, counted.read()) if calls else None
        if calls and n is None:
            sys.exit(f"{calls} counted no system calls of {tool}")
    return out.stdout, {"wall": wall, "cpu": children_cpu() - before, "served": served,
                        "load": load, "calls": n}


def engine(binary, directory, seconds, sets, server, calls):
    work = tempfile.mkdtemp(dir=directory)
    env = dict(os.environ, TMPDIR=work)  # the Temp and copy tests on the same mount
    try:
        out, r = run([binary, work, str(seconds), str(sets)], server, env, calls=calls)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    result = json.loads(out)
    r.update(moved=result["written"] + result["read"], copied=result["copied"],
             by_test=result["byTest"])
    return r


# Jobs per set and access mode, by block size. The reference: five jobs of
# 64 KiB blocks. The engine's own shape: what its rules let it move, one job
# per test kind that moves data (the byte-by-byte test moves next to none)
# with that kind's block size; the copy job writes and reads back its file,
# and has no copy pass.
REFERENCE = {65536: 5}
SHAPED = {65536: 1, 58997: 2, 9651: 1}


def fio(directory, seconds, sets, server, calls, jobs, preload):
    work = tempfile.mkdtemp(dir=directory)
    size_mb = max(1, 30 // (10 * sets))
    common = [f"--size={size_mb}m", "--rw=write",
              "--verify=pattern", "--verify_pattern=0x5a5aa5a5", "--do_verify=1",
              "--verify_state_save=0",
              "--loops=1000000", f"--runtime={seconds}", "--ioengine=psync", "--fallocate=none",
              "--group_reporting", "--unlink_each_loop=1"]
    # All jobs threads of one process, as the engine (see the docstring).
    cmd = ["fio", "--thread", "--output-format=json"]
    # As the engine: buffered files are read back through the cache, O_DSYNC
    # ones from the storage (fio drops their cache before the verify pass).
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
        out, r = run(cmd, server, env, cwd=work, calls=calls)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    r.update(moved=sum(j["write"]["io_bytes"] + j["read"]["io_bytes"]
                       for j in json.loads(out)["jobs"]), copied=None, by_test={})
    return r


def figures(r):
    """One run's counts, and its figures per second and per GiB moved."""
    gib = r["moved"] / 2**30
    r["mb_s"] = r["moved"] / r["wall"] / 1e6
    r["server_mb_s"] = r["served"] / r["wall"] / 1e6
    r["copy_mb_s"] = None if r["copied"] is None else r["copied"] / r["wall"] / 1e6
    r["cpu_gib"] = r["cpu"] / gib if gib else None
    r["calls_gib"] = r["calls"] / gib if gib and r["calls"] is not None else None
    return r


def text(value, digits):
    return "-" if value is None else f"{value:.{digits}f}"


def summary_line(label, sets, a, rows, how, loads):
    """One line of key=value pairs, each value one word ("-": not measured):
    the engine's bytes per second over fio's and over shaped fio's, client
    side and (shares) server side; each tool's CPU seconds and system calls
    per GiB moved; the engine's copy pass in MB/s; the 1-minute load at the
    start of each run in the order they ran."""
    e, f, s = rows["engine"], rows["fio"], rows["shaped"]
    ratio = lambda x, y: x / y if x is not None and y else None
    server = a.server_pid is not None
    pairs = [("mount", label), ("sets", sets), ("seconds", a.seconds), ("repeat", a.repeat),
             ("engine_mb_s", text(e["mb_s"], 1)), ("fio_mb_s", text(f["mb_s"], 1)),
             ("shaped_mb_s", text(s["mb_s"], 1)),
             ("engine_vs_fio", text(e["mb_s"] / f["mb_s"], 2)),
             ("engine_vs_shaped", text(e["mb_s"] / s["mb_s"], 2)),
             ("server_vs_fio", text(ratio(e["server_mb_s"], f["server_mb_s"]) if server else None, 2)),
             ("server_vs_shaped", text(ratio(e["server_mb_s"], s["server_mb_s"]) if server else None, 2))]
    pairs += [(f"cpu_gib_{n}", text(rows[n]["cpu_gib"], 3)) for n in rows]
    pairs += [(f"calls_per_gib_{n}", text(rows[n]["calls_gib"], 0)) for n in rows]
    pairs += [("calls", how), ("copy_mb_s", text(e["copy_mb_s"], 1)),
              ("load", ",".join(f"{x:.2f}" for x in loads))]
    return "summary " + " ".join(f"{k}={v}" for k, v in pairs)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--engine", required=True)
    p.add_argument("--dir", required=True)
    p.add_argument("--seconds", type=int, default=20)
    p.add_argument("--sets", type=int, nargs="+", default=[1, 5])
    p.add_argument("--server-pid", type=int)
    p.add_argument("--repeat", type=int, default=1)
    p.add_argument("--label", help="the mount's name in the summary (default: its type)")
    p.add_argument("--calls", choices=["auto", "perf", "strace"], default="auto")
    a = p.parse_args()
    shim = os.path.join(os.path.dirname(os.path.abspath(a.engine)), "unlink_retry.so")
    preload = shim if os.path.exists(shim) else None
    # The last line: a directory mounted over twice lists both, the one in
    # force last.
    mount = (subprocess.run(["findmnt", "-n", "-o", "FSTYPE", "--target", a.dir],
                            capture_output=True, text=True).stdout.split() or ["?"])[-1]
    label = a.label or mount
    how = a.calls if a.calls != "auto" else "perf" if perf_counts() else "strace"
    server = ServerBytes(a.server_pid)
    has_server = a.server_pid is not None
    print(f"{a.dir} ({mount}), {a.seconds} s per run, median of {a.repeat}, "
          f"system calls counted by {how}")
    print(f"{'sets':>4} {'tool':>8} {'MB/s':>10} {'CPU s/GiB':>10} {'calls/GiB':>10}" +
          (f" {'server MB/s':>12}" if has_server else "") + f" {'copy MB/s':>10} {'load':>6}")
    summaries = []
    for sets in a.sets:
        tools = (("engine", lambda secs, calls: engine(a.engine, a.dir, secs, sets, server, calls)),
                 ("fio", lambda secs, calls: fio(a.dir, secs, sets, server, calls, REFERENCE, preload)),
                 ("shaped", lambda secs, calls: fio(a.dir, secs, sets, server, calls, SHAPED, preload)))
        # The tools take turns, so that a slow spell of a shared machine
        # falls on all of them.
        runs = {name: [] for name, _ in tools}
        loads = []
        for _ in range(a.repeat):
            for name, fn in tools:
                runs[name].append(figures(fn(a.seconds, "perf" if how == "perf" else None)))
                loads.append(runs[name][-1]["load"])
        # Each tool's median run by bytes per second, whole: its other
        # figures are that run's own.
        rows = {name: sorted(found, key=lambda r: r["mb_s"])[len(found) // 2]
                for name, found in runs.items()}
        if how == "strace":
            # strace slows a tool many times over: its own short run gives
            # the calls per GiB, and nothing else.
            for name, fn in tools:
                rows[name]["calls_gib"] = figures(fn(min(a.seconds, 5), "strace"))["calls_gib"]
        for name, r in rows.items():
            print(f"{sets:>4} {name:>8} {r['mb_s']:>10.1f} {text(r['cpu_gib'], 3):>10} "
                  f"{text(r['calls_gib'], 0):>10}" +
                  (f" {r['server_mb_s']:>12.1f}" if has_server else "") +
                  f" {text(r['copy_mb_s'], 1):>10} {r['load']:>6.2f}")
        wall_engine, shares = rows["engine"]["wall"], rows["engine"]["by_test"]
        total = sum(shares.values()) or 1
        print("        engine bytes by test: " +
              ", ".join(f"{k} {100 * v / total:.0f}%" for k, v in shares.items()) +
              f"; its 0.5 s start delay: {50 / wall_engine:.1f}% of its time")
        summaries.append(summary_line(label, sets, a, rows, how, loads))
    print("\n".join(summaries))


if __name__ == "__main__":
    main()
