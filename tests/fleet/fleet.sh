#!/usr/bin/env bash
# The Debian package and the Ansible playbook, for real on this machine.
#   tests/fleet/fleet.sh package BUILD_DIR WORK_DIR
#       packages BUILD_DIR with cpack into WORK_DIR and checks both packages,
#       dalvex2-cli and dalvex2: their fields and version, their files and
#       dependencies (nothing graphical for dalvex2-cli), the manual page and
#       completion, no lintian error or warning
#   tests/fleet/fleet.sh run BUILD_DIR SHARES_STATE WORK_DIR
#       the playbook against 4 hosts, 127.0.0.2 to 127.0.0.5, served by the
#       SSH server of the SSHFS share (tests/shares), each client in a
#       directory of its own on that share: ansible-lint and --check, a fleet
#       refused before its start (a local folder, a clock 15 s ahead, host
#       names the merge reads as one or that hold a separator), a
#       healthy fleet, then one with a client that reads a flipped bit
#       through faultfs and one frozen for longer than its stall limit
# Exits 77 (a skip) with the reason when this machine cannot do it.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
action="$1"
build="$(realpath "$2")"

skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAILED: $*"; exit 1; }

case "$action" in
package)
  work="$(realpath -m "$3")"
  for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || skip "$tool is missing"
  done
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >cpack.log 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack"; }
  # The version: the project's, the build number, then the UTC date-time and
  # hash of the commit built, when built from git.
  base="$(sed -n 's/^project(Dalvex2 VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
  base+="+$(sed -n 's/^FileVersion=[0-9.]*\.\([0-9]*\)$/\1/p' "$root/resources/version.ini")"
  cli=$(ls "$work"/dalvex2-cli_*_amd64.deb) || fail "no dalvex2-cli package"
  version=$(dpkg-deb -f "$cli" Version)
  if [ "$(git -C "$root" rev-parse --show-toplevel 2>/dev/null)" = "$root" ]; then
    commit=${version#"$base".}
    made=$(TZ=UTC0 git -C "$root" log -1 --date=format-local:%Y%m%d%H%M --format=%cd.%h \
      "${commit#*.}" 2>/dev/null)
    [ "$version" = "$base.$commit" ] && [[ $commit =~ ^[0-9]{12}\.[0-9a-f]{7,}$ ]] &&
      [ "$made" = "$commit" ] || fail "version $version: not $base.<date-time>.<hash> of a commit"
  else
    [ "$version" = "$base" ] || fail "version $version, not $base"
  fi
  wizard="$work/dalvex2_${version}_amd64.deb"
  # holds DEB FILE...: the package's fields, these files under /usr, one program.
  holds() {
    local name
    name=$(basename "$1" | cut -d_ -f1)
    [ -f "$1" ] || fail "no $(basename "$1") among: $(ls "$work")"
    dpkg-deb -I "$1"
    [ "$(dpkg-deb -f "$1" Package Version Architecture | tr '\n' ' ')" = \
      "Package: $name Version: $version Architecture: amd64 " ] || fail "$name's fields"
    grep -q "Dalvex 2 vérifie" <<<"$(dpkg-deb -f "$1" Description)" ||
      fail "no French description in $name"
    local files f
    files=$(dpkg-deb -c "$1" | awk '{print $6}')
    for f in "${@:2}"; do grep -qxF -- "./usr/$f" <<<"$files" || fail "$name lacks /usr/$f"; done
    [ "$(grep -c '^\./usr/bin/.' <<<"$files")" -eq 1 ] || fail "other programs in $name"
  }
  holds "$cli" bin/dalvex2-cli share/man/man1/dalvex2-cli.1.gz \
    share/bash-completion/completions/dalvex2-cli share/doc/dalvex2-cli/{copyright,changelog.gz}
  holds "$wizard" bin/dalvex2 share/man/man1/dalvex2.1.gz share/applications/dalvex2.desktop \
    share/metainfo/example.quarn.dalvex2.metainfo.xml \
    share/icons/hicolor/48x48/apps/dalvex2.png share/doc/dalvex2/{copyright,changelog.gz}
  # One dependency a line.
  cli_depends=$(dpkg-deb -f "$cli" Depends | tr ',' '\n' | sed 's/^ *//')
  wizard_depends=$(dpkg-deb -f "$wizard" Depends | tr ',' '\n' | sed 's/^ *//')
  for lib in libc6 libstdc++6 libinih1; do
    grep -q "^$lib " <<<"$cli_depends" || fail "dalvex2-cli's Depends lacks $lib"
  done
  ! grep -iE 'qt|^libx(11|cb|kb|ext|render|i6)|wayland|^libe?gl' <<<"$cli_depends" ||
    fail "dalvex2-cli depends on a graphical package"
  for dep in "dalvex2-cli (= $version)" "qt6-qpa-plugins"; do
    grep -qxF "$dep" <<<"$wizard_depends" || fail "dalvex2's Depends lacks $dep"
  done
  grep -q '^libqt6widgets6 ' <<<"$wizard_depends" || fail "dalvex2's Depends lacks libqt6widgets6"

  # The installed program: the package's version, every option of --help in
  # its manual page, and a completion that offers what each place takes.
  dpkg-deb -x "$cli" "$work/root" || fail "dpkg-deb -x"
  program="$work/root/usr/bin/dalvex2-cli"
  grep -qF "($version)" <<<"$("$program" --version)" || fail "--version: $("$program" --version)"
  page=$(zcat "$work/root/usr/share/man/man1/dalvex2-cli.1.gz")
  for option in $(grep -oE -- '--[a-z-]+' <<<"$("$program" --help)" | sort -u); do
    grep -qF -- "${option//-/\\-}" <<<"$page" || fail "the manual page lacks $option"
  done
  completion="$work/root/usr/share/bash-completion/completions/dalvex2-cli"
  mkdir -p "$work/completion/dir" && touch "$work/completion/result.json"
  # offers EXPECTED WORD...: what completing the last word offers, sorted.
  offers() {
    local expected=$1 got
    shift
    got=$(cd "$work/completion" && source "$completion" && COMP_WORDS=("$@") &&
      COMP_CWORD=$(($# - 1)) && _dalvex2_cli; printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    [ "$got" = "$expected" ] || fail "completing '$*' offers '$got', not '$expected'"
  }
  offers "dir merge verify" dalvex2-cli ""
  offers "--json" dalvex2-cli --js
  offers "--allow-local --allow-local-for --allow-mixed --help --html --json --missing-as-failed --verified --version" \
    dalvex2-cli merge --
  offers "" dalvex2-cli merge --sp
  offers "--delete --directory" dalvex2-cli verify --d
  offers "dir" dalvex2-cli --report-dir ""
  offers "dir result.json" dalvex2-cli --json = ""
  offers "dir result.json" dalvex2-cli merge a.json ""
  offers "" dalvex2-cli --sets ""

  if command -v lintian >/dev/null; then
    lintian "$cli" "$wizard" 2>&1 | tee "$work/lintian.log"
    ! grep -qE '^[EW]:' "$work/lintian.log" || fail "lintian errors or warnings"
  fi
  echo "packages ok: $cli $wizard"
  ;;
run)
  state="$(realpath "$3")"
  work="$(realpath -m "$4")"
  [ -f "$state/skipped" ] && skip "$(cat "$state/skipped")"
  command -v ansible-playbook >/dev/null || skip "ansible-playbook is missing (Debian: ansible-core)"
  deb=$(ls "$build"/tests/fleet/package/dalvex2-cli_*_amd64.deb 2>/dev/null) || fail "no package built"
  package=$(dpkg-deb -f "$deb" Package) || fail "$deb is not a package"
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
    skip "$package is installed here; the test installs its own build and would replace it (apt-get remove $package)"
  fi
  faketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n 1)
  [ -n "$faketime" ] || skip "libfaketime is missing (Debian: faketime)"
  share=$(cat "$state/sshfs.path")
  port=$(cat "$state/sshfs/port")
  faultfs="$build/tools/faultfs"
  playbook="$root/deploy/ansible/dalvex2-fleet.yml"
  rm -rf "$work" && mkdir -p "$work"
  started=$SECONDS
  cleanup() {
    [ -n "${stopped:-}${frozen:-}" ] && kill -CONT ${stopped:-} ${frozen:-} 2>/dev/null
    mountpoint -q "$work/faulty" && fusermount3 -u "$work/faulty"
    dpkg -r "$package" >/dev/null 2>&1
    rm -rf "${share:?}"/h[2-5] "${localdir:-}"
  }
  trap cleanup EXIT
  # The controller merges with the program of the package, as the clients run it.
  dpkg-deb -x "$deb" "$work/controller" || fail "dpkg-deb -x"
  export ANSIBLE_LOCAL_TEMP="$work/ansible" ANSIBLE_REMOTE_TEMP="$work/ansible-remote" \
    ANSIBLE_ASYNC_DIR="$work/async" ANSIBLE_NOCOLOR=1 ANSIBLE_FORKS=8 ANSIBLE_PIPELINING=1
  settings=(-e dalvex2_cli_deb="$deb" -e dalvex2_merge="$work/controller/usr/bin/dalvex2-cli")

  # inventory NAME [HOST JSON]...: $work/NAME.yml, four clients h2 to h5 on
  # 127.0.0.2 to .5, each in its own directory of the share and with a
  # temporary directory of its own; a JSON object of variables after a host's
  # name replaces or adds some of that host's (its environment's, one by one).
  # Short runs, a short lead: the four clients are this machine.
  inventory() {
    python3 - "$work" "$share" "$port" "$state/sshfs/client_key" "$@" <<'PY'
import json, os, sys
work, share, port, key, name, *changes = sys.argv[1:]
hosts = {f"h{n}": {"ansible_host": f"127.0.0.{n}", "dalvex2_directory": f"{share}/h{n}",
                   "dalvex2_workdir": f"{work}/hosts/h{n}",
                   "dalvex2_environment": {"TMPDIR": f"{work}/tmp/h{n}"}} for n in range(2, 6)}
for host, extra in zip(changes[::2], changes[1::2]):
    extra = json.loads(extra)
    hosts[host]["dalvex2_environment"].update(extra.pop("dalvex2_environment", {}))
    hosts[host].update(extra)
for n in range(2, 6):
    os.makedirs(f"{work}/tmp/h{n}", exist_ok=True)
group = {"hosts": hosts, "vars": {
    "ansible_port": int(port), "ansible_user": "root", "ansible_ssh_private_key_file": key,
    "ansible_ssh_common_args": "-o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null",
    "ansible_python_interpreter": "/usr/bin/python3",
    "dalvex2_stop_after": 15, "dalvex2_sets": 1, "dalvex2_lead_seconds": 25,
    "dalvex2_grace_seconds": 60}}
json.dump({"all": {"children": {"dalvex2_clients": group}}}, open(f"{work}/{name}.yml", "w"), indent=1)
PY
  }
  # fleet NAME [HOST JSON]... [-- ANSIBLE_OPTIONS]: the playbook's exit status,
  # its output in $work/NAME.log, its results in $work/NAME.
  fleet() {
    local name="$1" changes=()
    shift
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do changes+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    inventory "$name" "${changes[@]}"
    echo "=== $name ($((SECONDS - started)) s)"
    ansible-playbook -i "$work/$name.yml" "$playbook" "${settings[@]}" -e dalvex2_results="$work/$name" \
      "$@" >"$work/$name.log" 2>&1
    local status=$?
    cat "$work/$name.log"
    return $status
  }
  # The clients' results that exist in $work/NAME: none, for a play that
  # refused to start.
  results() { (cd "$work/$1" 2>/dev/null && ls h[2-5].json merged.json 2>/dev/null); }
  mkdir -p "$share"/h{2,3,4,5}

  # The playbook as written: lint, syntax, and --check, which must change
  # nothing and start nothing.
  if command -v ansible-lint >/dev/null; then
    (cd "$root/deploy/ansible" && ansible-lint --nocolor --offline dalvex2-fleet.yml) ||
      fail "ansible-lint"
  fi
  inventory check
  ansible-playbook --syntax-check -i "$work/check.yml" "$playbook" || fail "syntax"
  fleet check -- --check || fail "the play failed in check mode"
  ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
    fail "check mode installed the package"
  [ -z "$(results check)" ] || fail "check mode left results: $(results check)"
  [ -z "$(find "$share"/h? -mindepth 1)" ] || fail "check mode wrote to the share"

  # Refused before anything starts, every reason named: h4's directory is
  # local (tmpfs), h5's clock is 15 s ahead (libfaketime, for the measure and
  # the run alike).
  localdir=$(mktemp -d /dev/shm/dalvex2-fleet.XXXXXX)
  if fleet refused h4 "{\"dalvex2_directory\": \"$localdir\"}" \
    h5 "{\"dalvex2_environment\": {\"LD_PRELOAD\": \"$faketime\", \"FAKETIME\": \"+15s\"}}"; then
    fail "the play started over a local folder and a clock 15 s off"
  fi
  refusal=$(grep -o '"msg": "Nothing started: .*"' "$work/refused.log")
  grep -q "h4: $localdir ($localdir) is on tmpfs, mounted at /dev/shm, not a network file system" <<<"$refusal" ||
    fail "the refusal does not say that h4's folder is local"
  grep -q "h5: its clock is 1[45][0-9][0-9][0-9] ms ahead of the controller's" <<<"$refusal" ||
    fail "the refusal does not name h5's clock"
  ! grep -q "h[23]:" <<<"$refusal" || fail "the refusal names a client that was ready"
  python3 - "$work/refused/clocks.json" <<'PY' || fail "the clocks measured"
import json, sys
clocks = json.load(open(sys.argv[1]))
print(clocks)
assert sorted(clocks) == ["h2", "h3", "h4", "h5"], clocks
assert abs(clocks["h5"]["offsetMs"] - 15000) < 250, clocks["h5"]
assert all(abs(clocks[h]["offsetMs"]) < 250 for h in ("h2", "h3", "h4")), clocks
PY
  [ -z "$(results refused)" ] || fail "clients ran: $(results refused)"
  [ -z "$(find "$share"/h? "$localdir" -mindepth 1)" ] || fail "a refused play wrote files"

  # Host names the merge would read as one, or that would fake its fields,
  # are refused on the controller, before any client is touched.
  for hosts in "h2 H2" "h2 h3|ok"; do
    printf 'all:\n  children:\n    dalvex2_clients:\n      hosts:\n' >"$work/labels.yml"
    for host in $hosts; do printf '        "%s": {ansible_host: 127.0.0.9}\n' "$host" >>"$work/labels.yml"; done
    ansible-playbook -i "$work/labels.yml" "$playbook" "${settings[@]}" -e dalvex2_results="$work/labels" \
      >"$work/labels.log" 2>&1 && fail "the play started with the hosts $hosts"
    grep -Eq '"msg": "Nothing started: .*(se confond avec|une flèche)' "$work/labels.log" ||
      fail "the refusal of the hosts $hosts does not say why: $(cat "$work/labels.log")"
    ! grep -q "127.0.0.9" "$work/labels.log" || fail "a client was reached"
  done

  # Every client of a healthy fleet: "ok", started within a second of the
  # others by the controller's clock, its measured offset given, the files
  # of the client before it read back, nothing left on the share.
  fleet healthy || fail "the healthy fleet's play failed"
  python3 - "$work/healthy" <<'PY' || fail "the healthy merged result"
import json, sys
m = json.load(open(sys.argv[1] + "/merged.json"))
clocks = json.load(open(sys.argv[1] + "/clocks.json"))
labels = sorted(c["label"] for c in m["clients"])
starts = [c["startedAtMs"] for c in m["clients"]]
print("result", m["result"], "labels", labels, "start spread ms", max(starts) - min(starts))
assert m["result"] == "ok" and labels == ["h2", "h3", "h4", "h5"], m
assert all(c["result"] == "ok" and c["bytesRead"] > 0 for c in m["clients"]), m["clients"]
assert max(starts) - min(starts) <= 1000 and m["failures"] == [], m
for label in labels:
    client = json.load(open(f"{sys.argv[1]}/{label}.json"))
    assert client["clockOffsetMs"] == clocks[label]["offsetMs"], (label, client, clocks)
    assert client["networkPath"] is True and client["leftFiles"] == [], client
pairs = sorted((p["writer"], p["reader"], p["result"]) for p in m["crossChecks"])
assert pairs == [("h2", "h3", "ok"), ("h3", "h4", "ok"), ("h4", "h5", "ok"), ("h5", "h2", "ok")], pairs
assert all(p["bytesRead"] > 0 for p in m["crossChecks"]), m["crossChecks"]
PY
  left=$(find "$share"/h? "$work"/tmp/h? -mindepth 1)
  [ -z "$left" ] || fail "files left: $left"

  # Files kept once every run is over (the tests that change files run then,
  # without the cross-check, which they would slow past the run's end):
  # each client's read back whole, and deleted, by the next one.
  fleet kept -- -e dalvex2_keep=true -e dalvex2_cross_check=false -e dalvex2_stop_after=8 ||
    fail "the play that keeps files failed"
  python3 - "$work/kept" <<'PY' || fail "the merged result of the kept files"
import json, sys
m = json.load(open(sys.argv[1] + "/merged.json"))
kept = sorted((p["keeper"], p["reader"], p["result"], p["files"]) for p in m["keptChecks"])
print("result", m["result"], "kept", kept)
assert m["result"] == "ok" and kept == [("h2", "h3", "ok", 12), ("h3", "h4", "ok", 12),
                                        ("h4", "h5", "ok", 12), ("h5", "h2", "ok", 12)], kept
PY
  left=$(find "$share"/h? "$work"/tmp/h? -mindepth 1)
  [ -z "$left" ] || fail "files left after the checks: $left"

  # Three clients fail, the last one gets its verdict: h5 tests through
  # faultfs, which flips a bit of what it reads back (a FUSE file system of
  # its own type: allowed as local); h4 is frozen (SIGSTOP) for longer than
  # its stall limit, then resumed; h3 is frozen for good, until the play's
  # time limit for it (5 s past its end) kills it: no result, files left.
  # Without the cross-check: each failure would fail its reader too.
  mkdir -p "$work/faulty"
  "$faultfs" --source "$share/h5" --fault flip:VXZ:100000:3 "$work/faulty" ||
    fail "faultfs did not mount"
  stall=5
  fleet failing h5 "{\"dalvex2_directory\": \"$work/faulty\", \"dalvex2_allow_local\": true}" \
    h3 '{"dalvex2_grace_seconds": 5}' -- -e dalvex2_stall_seconds=$stall -e dalvex2_cross_check=false &
  play=$!
  # client LABEL: the pid of its dalvex2-cli, with the start it was given.
  # Looked for before the start: once the tests run, reading a process's
  # command line may wait seconds on the memory of one busy with the share.
  client() {
    python3 - "$1" <<'PY'
import os, sys
for pid in filter(str.isdigit, os.listdir("/proc")):
    try:
        argv = open(f"/proc/{pid}/cmdline", "rb").read().split(b"\0")
    except OSError:
        continue
    if os.path.basename(argv[0]) == b"dalvex2-cli" and b"--label" in argv and \
            argv[argv.index(b"--label") + 1] == sys.argv[1].encode():
        print(pid, argv[argv.index(b"--start-at") + 1].decode())
        break
PY
  }
  # family PID: that process and its children (the tests' process, from the
  # start on), read off /proc/*/stat, which does not wait, by the shell alone:
  # a program started now, on a machine this busy, may take seconds.
  family() {
    local stat line fields found="$1"
    for stat in /proc/[0-9]*/stat; do
      { read -r line <"$stat"; } 2>/dev/null || continue
      read -r -a fields <<<"${line##*) }"
      [ "${fields[1]}" = "$1" ] && stat=${stat#/proc/} && found+=" ${stat%/stat}"
    done
    echo "$found"
  }
  for _ in $(seq 1800); do
    h3=$(client h3) h4=$(client h4)
    [ -n "$h3" ] && [ -n "$h4" ] && break
    sleep 0.1
  done
  [ -n "$h3" ] && [ -n "$h4" ] || fail "h3's or h4's dalvex2-cli never ran"
  start_at=${h4#* }
  pause=$((start_at + 4 - $(date +%s)))
  [ "$pause" -gt 0 ] || fail "h3 and h4 were found only $((4 - pause)) s after the start"
  sleep "$pause"
  stopped=$(family "${h4%% *}")
  frozen=$(family "${h3%% *}")
  echo "h4 stopped for $((stall + 4)) s: $stopped; h3 for good: $frozen"
  kill -STOP $stopped $frozen
  sleep $((stall + 4))
  kill -CONT $stopped
  stopped=""
  if wait $play; then fail "the play said ok over a flipped bit and frozen clients"; fi
  python3 - "$work/failing/merged.json" <<'PY' || fail "the merged result of the failing clients"
import json, sys
m = json.load(open(sys.argv[1]))
clients = {c["label"]: c for c in m["clients"]}
failures = {}
for f in m["failures"]:
    failures.setdefault(f["label"], []).append(f["category"])
print("result", m["result"], "failures", failures)
for c in m["clients"]:
    print(c["label"], c["result"], c["reasons"])
wrong = [f"{label}: {clients[label]['result']} instead of {want}"
         for label, want in {"h2": "ok", "h3": "failed", "h4": "failed", "h5": "failed"}.items()
         if clients[label]["result"] != want]
if not any("aucun résultat" in why for why in clients["h3"]["reasons"]):
    wrong.append("h3's reasons do not say that it left no result")
if "data-differ" not in failures.get("h5", []):
    wrong.append("h5's failures do not say that the data differ")
if not any("aucun octet sur le partage" in why for why in clients["h4"]["reasons"]):
    wrong.append("h4's reasons do not say that its share went silent")
if set(failures) - {"h5"} or clients["h2"]["reasons"]:
    wrong.append("a client that passed has failures or reasons")
assert m["result"] == "failed" and not wrong, wrong
PY
  grep -q "h4 | Résultat : failed.*aucun octet sur le partage" "$work/failing.log" ||
    fail "the play's message does not say why h4 failed"
  grep -q "Échec chez h5 : .*(data-differ)" "$work/failing.log" ||
    fail "the play's message does not give h5's failure"
  grep -q '"h3: killed at the time limit of [0-9]* s"' "$work/failing.log" ||
    fail "the play's message does not say that h3 was killed"
  grep -q "\"h3: files left: $share/h3/VX[ACRZ][0-9A-F]\{4\}\.TMP" "$work/failing.log" ||
    fail "the play's message does not list h3's files"
  fusermount3 -u "$work/faulty"
  echo "fleet ok in $((SECONDS - started)) s"
  ;;
*)
  echo "usage: $0 package BUILD_DIR WORK_DIR | run BUILD_DIR SHARES_STATE WORK_DIR" >&2
  exit 2
  ;;
esac
