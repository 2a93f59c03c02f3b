#!/usr/bin/env python3
"""The offset of a client's clock from this machine's (the controller's).

  dalvex2_clock.py [options]

One connection to the client, opened once: a small program on the client
answers each byte it is sent with its wall clock (CLOCK_REALTIME, the clock
dalvex2-cli reads), and this side notes its own clock just before sending and
just after the answer. Of several such round trips, the shortest is kept: the
client read its clock between the two notes, so the offset (client time minus
the midpoint of the two) is off by half that round trip at most. Connecting,
logging in and starting Python take far longer, and happen before the first
round trip, outside any measure.

Prints {"offsetMs", "roundTripMs", "samples"} as JSON; exits 1 with the reason
on standard error when the client could not be reached or did not answer.

Options:
  --ssh PROGRAM --host H [--port P] [--user U] [--key FILE]
        [--common-args ARGS] [--extra-args ARGS]
                        reach the client through ssh, as Ansible's own ssh
                        connection does (ARGS are split as a shell would)
  --command COMMAND     or through this command (split as a shell would), to
                        which the client's command line is appended as one
                        argument for its shell; neither: run it here
  --env NAME=VALUE      the client's program runs with that in its
                        environment (libfaketime's, say), as dalvex2-cli will
  --python PROGRAM      the client's Python (python3)
  --samples N           round trips (8)
  --timeout S           for connecting, and for each answer (20)
"""
import argparse
import json
import os
import select
import shlex
import subprocess
import sys
import time

# What runs on the client: "ready" once started, then its clock in
# nanoseconds since 1970 for every byte read.
RESPONDER = r"""
import os, sys, time
now = getattr(time, "time_ns", None) or (lambda: int(time.time() * 1e9))
out = sys.stdout.buffer
out.write(b"ready\n"); out.flush()
while os.read(0, 1):
    out.write(b"%d\n" % now()); out.flush()
"""


def client_command(options):
    remote = ["env"] + options.env + [options.python, "-c", RESPONDER]
    if options.command:
        return shlex.split(options.command) + [" ".join(shlex.quote(a) for a in remote)]
    if not options.host:
        return remote
    ssh = [options.ssh, "-o", "BatchMode=yes", "-o", "ConnectTimeout=%d" % options.timeout]
    if options.port:
        ssh += ["-p", options.port]
    if options.user:
        ssh += ["-l", options.user]
    if options.key:
        ssh += ["-i", options.key]
    ssh += shlex.split(options.common_args) + shlex.split(options.extra_args)
    return ssh + [options.host, " ".join(shlex.quote(a) for a in remote)]


class Lines:
    """Lines from a pipe, each waited for at most `timeout` seconds."""

    def __init__(self, fd, timeout):
        self.fd, self.timeout, self.pending = fd, timeout, b""

    def next(self):
        deadline = time.monotonic() + self.timeout
        while b"\n" not in self.pending:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self.fd], [], [], left)[0]:
                raise TimeoutError("no answer within %d s" % self.timeout)
            chunk = os.read(self.fd, 4096)
            if not chunk:
                raise EOFError("the connection ended")
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode("ascii", "replace").strip()


def measure(options):
    command = client_command(options)
    process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, bufsize=0)
    lines = Lines(process.stdout.fileno(), options.timeout)
    try:
        # Banners or a login message may come first.
        for _ in range(100):
            if lines.next() == "ready":
                break
        else:
            raise EOFError("the client's program did not start")
        best = None
        for _ in range(options.samples):
            wall, sent = time.time_ns(), time.monotonic_ns()
            process.stdin.write(b"\n")
            client = int(lines.next())
            answered = time.monotonic_ns()
            trip = answered - sent
            if best is None or trip < best[0]:
                best = (trip, client - (wall + trip // 2))
        return {"offsetMs": round(best[1] / 1e6), "roundTripMs": round(best[0] / 1e6, 3),
                "samples": options.samples}
    except (TimeoutError, EOFError, ValueError, BrokenPipeError) as error:
        process.kill()
        errors = process.stderr.read().decode("utf-8", "replace").strip()
        raise RuntimeError("%s%s" % (error, (": " + errors) if errors else "")) from None
    finally:
        if process.poll() is None:
            process.stdin.close()
            try:
                process.wait(options.timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("--ssh", default="ssh")
    parser.add_argument("--host", default="")
    parser.add_argument("--port", default="")
    parser.add_argument("--user", default="")
    parser.add_argument("--key", default="")
    parser.add_argument("--common-args", default="")
    parser.add_argument("--extra-args", default="")
    parser.add_argument("--command", default="")
    parser.add_argument("--env", action="append", default=[])
    parser.add_argument("--python", default="python3")
    parser.add_argument("--samples", type=int, default=8)
    parser.add_argument("--timeout", type=int, default=20)
    options = parser.parse_args()
    if options.samples < 1 or any("=" not in e for e in options.env):
        parser.error("--samples takes a positive count, --env NAME=VALUE")
    try:
        result = measure(options)
    except (OSError, RuntimeError) as error:
        sys.stderr.write("%s\n" % error)
        return 1
    print(json.dumps(result))
    return 0


if __name__ == "__main__":
    sys.exit(main())
