#!/usr/bin/env python3
"""What the fleet play asks of a client, outside dalvex2-cli itself.

  dalvex2_client.py check DIRECTORY SPACE_MB TYPES PROGRAM [--allow-local] [--no-write]
                         [--caching=TYPES] [--allow-cache]
      whether DIRECTORY can be tested: a directory (symbolic links followed)
      on a network file system (TYPES: comma-separated mount types, as the
      mount table names them) whose client does not keep writes in a local
      cache (--caching: such types; a WebDAV client shown as "fuse" from an
      http(s) address is one too), usable by PROGRAM (the installed
      dalvex2-cli) with SPACE_MB MiB: it checks the folder as before any run
      (`--check-only`: path, folder, a file made and deleted, free space);
      with --no-write, where nothing may be written, the folder is only asked
      of the system. PROGRAM must not be running on this machine. Prints
      a JSON object whose "problems" list says what stands in the way; empty
      when nothing does.
  dalvex2_client.py left DIRECTORY... [--kept=LIST]
      the files of dalvex2-cli's tests found in those directories, as JSON;
      those that LIST (dalvex2-cli --keep LIST) says the run kept, in the
      directory it names, apart.

Python 3.5 or later, standard library only: the clients run Ansible's
modules with the same interpreter.
"""
import json
import os
import re
import subprocess
import sys

# The names the tests give their files: 3 letters, 4 hexadecimal digits (the
# tests that change files among them). Those of the cross-check between
# clients: numbered rounds, and marks.
TEST_FILE = re.compile(
    r"^(VX[ACDJNORSTVZ][0-9A-F]{4}\.TMP|VXK-[0-9]+(-[0-9]+-[0-9a-f]{16}\.TMP|\.RDY|\.ACK)|VXK\.FIN)$")


def unescape(field):
    """Mount points in mountinfo write blanks, tabs and backslashes as \\ooo."""
    return re.sub(r"\\([0-7]{3})", lambda m: chr(int(m.group(1), 8)), field)


def mount_of(path, device):
    """The mount table's entry for path: the longest mount point above its
    real path whose device is the one stat gave (the bind mounts and stacked
    mounts of other devices on the way are skipped)."""
    real = os.path.realpath(path)
    wanted = "%d:%d" % (os.major(device), os.minor(device))
    same_device, any_device = None, None
    with open("/proc/self/mountinfo", encoding="utf-8", errors="surrogateescape") as table:
        for line in table:
            fields = line.split()
            if "-" not in fields:
                continue
            dash = fields.index("-")
            point, kind = unescape(fields[4]), fields[dash + 1]
            source = unescape(fields[dash + 2]) if len(fields) > dash + 2 else ""
            if not (point == "/" or real == point or real.startswith(point.rstrip("/") + "/")):
                continue
            # A later line mounts over an earlier one: an equal length replaces.
            if any_device is None or len(point) >= len(any_device[0]):
                any_device = (point, kind, source)
            if fields[2] == wanted and (same_device is None or len(point) >= len(same_device[0])):
                same_device = (point, kind, source)
    # Some file systems (btrfs subvolumes) give stat a device of their own.
    return real, same_device or any_device


def running_programs(program):
    """The processes that run `program` for tests, read off /proc (pgrep may be
    missing): named dalvex2-cli, and started from that file (one replaced by
    an upgrade since included); when the file cannot be read (another user's
    process), the name alone counts."""
    wanted = os.path.realpath(program)
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open("/proc/%s/comm" % entry, encoding="utf-8", errors="replace") as comm:
                if comm.read().strip() != "dalvex2-cli":
                    continue
        except OSError:
            continue  # ended meanwhile
        try:
            executable = os.readlink("/proc/%s/exe" % entry)
        except FileNotFoundError:
            continue
        except OSError:
            executable = wanted
        if re.sub(r" \(deleted\)$", "", executable) == wanted and not only_checks(entry):
            found.append(int(entry))
    return sorted(found)


def only_checks(pid):
    """Whether process `pid` runs `--check-only`: it runs no test, and ends at
    once (another client's check, when several share this machine)."""
    try:
        with open("/proc/%s/cmdline" % pid, "rb") as cmdline:
            args = cmdline.read().split(b"\0")
    except OSError:
        return False
    options = args[:args.index(b"--")] if b"--" in args else args
    return b"--check-only" in options


def program_check(program, directory, space_mb):
    """Why dalvex2-cli would refuse the directory before any test, or None."""
    try:
        done = subprocess.run([program, "--check-only", "--quiet", "--space", str(space_mb),
                               "--", directory], stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, check=False)
    except OSError as error:
        return "%s could not check it: %s" % (program, error.strerror)
    said = done.stderr.decode("utf-8", "replace").strip()
    if done.returncode == 0:
        return None
    if done.returncode == 2 and said:
        return said.splitlines()[0]
    return "%s could not check it (exit %d): %s" % (program, done.returncode, said)


def check(directory, space_mb, types, program, allow_local, write, caching=(),
          allow_cache=False):
    report = {"directory": directory, "realPath": None, "mountPoint": None, "fsType": None,
              "network": False, "cachesWrites": False, "freeMb": None, "running": [],
              "problems": []}
    problems = report["problems"]
    report["running"] = running_programs(program)
    if report["running"]:
        problems.append("%s already runs here (process %s): wait for it or stop it"
                        % (program, ", ".join(map(str, report["running"]))))
    if write:
        refused = program_check(program, directory, space_mb)
        if refused:
            problems.append("%s: %s" % (directory, refused))
            return report
    try:
        info = os.stat(directory)  # follows symbolic links
    except OSError as error:
        problems.append("%s cannot be reached: %s" % (directory, error.strerror))
        return report
    if not os.path.isdir(directory):
        problems.append("%s is not a directory" % directory)
        return report
    real, mount = mount_of(directory, info.st_dev)
    report["realPath"] = real
    if mount:
        report["mountPoint"], report["fsType"] = mount[0], mount[1]
    report["network"] = mount is not None and mount[1] in types
    report["cachesWrites"] = mount is not None and (
        mount[1] in caching or (mount[1] == "fuse" and re.match(r"https?://", mount[2]) is not None))
    if report["cachesWrites"] and not allow_cache:
        problems.append("%s (%s) is on %s, a client that keeps writes in a local cache: the "
                        "test would check that cache, not the server; mount the share with a "
                        "client that writes through, or set dalvex2_allow_cache to test it anyway"
                        % (directory, real, mount[1]))
    if not report["network"] and not allow_local:
        where = ("on %s, mounted at %s" % (mount[1], mount[0]) if mount
                 else "on a file system missing from the mount table")
        problems.append("%s (%s) is %s, not a network file system (%s); mount the share "
                        "there, or set dalvex2_allow_local to test it anyway"
                        % (directory, real, where, ", ".join(sorted(types))))
    if write:
        return report  # the program checked the rest
    if not os.access(directory, os.W_OK | os.X_OK):
        problems.append("%s is not writable" % directory)
    fs = os.statvfs(directory)
    # A file system that cannot tell its size is left to the run itself.
    if fs.f_blocks > 0:
        report["freeMb"] = fs.f_bavail * fs.f_frsize // (1 << 20)
        if report["freeMb"] < space_mb:
            problems.append("%s has %d MB free, %d MB are asked (dalvex2_space_mb)"
                            % (directory, report["freeMb"], space_mb))
    return report


def kept_files(kept_list):
    """The paths of the files that a list of kept files names; none when it
    cannot be read (the run kept nothing)."""
    try:
        with open(kept_list, encoding="utf-8") as source:
            listed = json.load(source)
        return {os.path.realpath(os.path.join(listed["directory"], f["name"]))
                for f in listed["files"]}
    except (OSError, ValueError, KeyError, TypeError):
        return set()


def left(directories, kept_list=None):
    kept = kept_files(kept_list) if kept_list else set()
    files = []
    for directory in directories:
        try:
            names = os.listdir(directory)
        except OSError:
            continue
        files += sorted(os.path.join(directory, n) for n in names if TEST_FILE.match(n)
                        and os.path.realpath(os.path.join(directory, n)) not in kept)
    return {"files": files}


def main(argv):
    if len(argv) >= 5 and argv[0] == "check":
        types = {t.strip() for t in argv[3].split(",") if t.strip()}
        caching = set()
        for option in argv[5:]:
            if option.startswith("--caching="):
                caching = {t.strip() for t in option[10:].split(",") if t.strip()}
        report = check(argv[1], int(argv[2]), types, argv[4], "--allow-local" in argv[5:],
                       "--no-write" not in argv[5:], caching, "--allow-cache" in argv[5:])
    elif argv and argv[0] == "left":
        kept = [a[len("--kept="):] for a in argv[1:] if a.startswith("--kept=")]
        report = left([a for a in argv[1:] if not a.startswith("--kept=")],
                      kept[-1] if kept else None)
    else:
        sys.stderr.write(__doc__)
        return 2
    json.dump(report, sys.stdout)
    sys.stdout.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
