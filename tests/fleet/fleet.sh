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
#       directory of its own on that share: a healthy fleet, then one whose
#       last client's directory flips a bit through faultfs
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
  offers "dir merge" dalvex2-cli ""
  offers "--json" dalvex2-cli --js
  offers "--allow-local --allow-mixed --help --json --missing-as-failed --version" \
    dalvex2-cli merge --
  offers "" dalvex2-cli merge --sp
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
  if dpkg-query -W -f='${Status}' dalvex2 2>/dev/null | grep -q "ok installed"; then
    skip "dalvex2 is installed here; the test installs its own build and would replace it (apt-get remove dalvex2)"
  fi
  share=$(cat "$state/sshfs.path")
  port=$(cat "$state/sshfs/port")
  faultfs="$build/tools/faultfs"
  rm -rf "$work" && mkdir -p "$work"
  cleanup() {
    mountpoint -q "$work/faulty" && fusermount3 -u "$work/faulty"
    dpkg -r dalvex2 >/dev/null 2>&1
    rm -rf "${share:?}"/h[2-5]
  }
  trap cleanup EXIT

  # fleet NAME [DIRECTORY_OF_h5]: the playbook's exit status; its results in
  # $work/NAME.
  fleet() {
    local inventory="$work/$1.ini"
    {
      echo "[dalvex2_clients]"
      for n in 2 3 4 5; do
        dir="$share/h$n"
        [ "$n" = 5 ] && dir="${2:-$dir}"
        echo "h$n ansible_host=127.0.0.$n dalvex2_directory=$dir dalvex2_workdir=$work/hosts/h$n"
      done
      echo "[dalvex2_clients:vars]"
      echo "ansible_port=$port"
      echo "ansible_user=root"
      echo "ansible_ssh_private_key_file=$state/sshfs/client_key"
      echo "ansible_ssh_common_args='-o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null'"
      echo "ansible_python_interpreter=/usr/bin/python3"
    } >"$inventory"
    ANSIBLE_LOCAL_TEMP="$work/ansible" ANSIBLE_REMOTE_TEMP="$work/ansible-remote" \
      ANSIBLE_ASYNC_DIR="$work/async" ANSIBLE_NOCOLOR=1 ANSIBLE_FORKS=8 ANSIBLE_PIPELINING=1 \
      ansible-playbook -i "$inventory" "$root/deploy/ansible/dalvex2-fleet.yml" \
      -e dalvex2_deb="$deb" -e dalvex2_results="$work/$1" -e dalvex2_stop_after=20 \
      -e dalvex2_sets=1 -e dalvex2_lead_seconds=30 -e dalvex2_grace_seconds=120
  }

  # Every client of a healthy fleet: "ok", started within a second of the
  # others, nothing left on the share.
  mkdir -p "$share"/h{2,3,4,5}
  fleet healthy || fail "the healthy fleet's play failed"
  python3 - "$work/healthy/merged.json" <<'PY' || fail "the healthy merged result"
import json, sys
m = json.load(open(sys.argv[1]))
labels = sorted(c["label"] for c in m["clients"])
starts = [c["startedAtMs"] for c in m["clients"]]
print("result", m["result"], "labels", labels, "start spread ms", max(starts) - min(starts))
assert m["result"] == "ok" and labels == ["h2", "h3", "h4", "h5"], m
assert all(c["result"] == "ok" and c["bytesRead"] > 0 for c in m["clients"]), m["clients"]
assert max(starts) - min(starts) <= 1000 and m["failures"] == [], m
PY
  for n in 2 3 4 5; do
    [ -z "$(ls -A "$share/h$n")" ] || fail "files left in h$n: $(ls -A "$share/h$n")"
  done

  # h5 tests through faultfs, which flips a bit of what it reads back.
  mkdir -p "$work/faulty"
  "$faultfs" --source "$share/h5" --fault flip:VXZ:100000:3 "$work/faulty" ||
    fail "faultfs did not mount"
  if fleet faulty "$work/faulty"; then fail "the play said ok over a flipped bit"; fi
  python3 - "$work/faulty/merged.json" <<'PY' || fail "the faulty merged result"
import json, sys
m = json.load(open(sys.argv[1]))
print("result", m["result"], "failures", [(f["label"], f["category"]) for f in m["failures"]])
assert m["result"] == "failed" and m["failures"], m
assert all(f["label"] == "h5" for f in m["failures"]), m["failures"]
assert [c["label"] for c in m["clients"] if c["result"] == "failed"] == ["h5"], m["clients"]
PY
  echo "fleet ok"
  ;;
*)
  echo "usage: $0 package BUILD_DIR WORK_DIR | run BUILD_DIR SHARES_STATE WORK_DIR" >&2
  exit 2
  ;;
esac
