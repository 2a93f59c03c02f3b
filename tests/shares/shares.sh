#!/usr/bin/env bash
# Brings up (or down) every test share at once, for a whole test suite: SMB
# through smbnetfs (smb) and through rclone (rclone), SSH through sshfs (sshfs)
# and WebDAV through davfs2 (davfs), each from a server of its own.
#   tests/shares/shares.sh up STATE_DIR     writes STATE_DIR/KIND.path, and
#                                           STATE_DIR/KIND.path2: the same directory
#                                           of the server through a second mount, a
#                                           client of its own
#   tests/shares/shares.sh down STATE_DIR
# And the two ways a share stops answering, for one of them:
#   tests/shares/shares.sh freeze|thaw KIND STATE_DIR   stops or resumes the FUSE
#                                                       client of its first mount
#   tests/shares/shares.sh cut|mend KIND STATE_DIR      drops every packet to and from
#                                                       its server's port, or no more
# And a server that restarts:
#   tests/shares/shares.sh restart KIND STATE_DIR   stops its server and starts it again,
#                                                   then mounts its first mount again
# Without root or /dev/fuse the shares cannot exist here: STATE_DIR/skipped
# says why and the share tests skip. Anything else that fails is a failure.
set -uo pipefail
here="$(dirname "$0")"
action="$1"
state="$(realpath -m "$2")"
kinds=(smb sshfs rclone davfs)

# The FUSE client of a kind's mount (mnt or mnt2), whatever the program.
clients() {  # KIND MOUNT STATE_DIR
  pgrep -f "^(sshfs|smbnetfs|rclone mount|/sbin/mount.davfs) .*$3/$1/$2( |$)"
}

case "$action" in
up)
  [ -d "$state" ] && "$0" down "$state"  # what an interrupted suite left up
  rm -rf "$state" && mkdir -p "$state"
  if [ "$(id -u)" -ne 0 ] || [ ! -w /dev/fuse ]; then
    echo "the shares need root and /dev/fuse" | tee "$state/skipped"
    exit 0
  fi
  # The kinds come up side by side, each with its own server.
  for kind in "${kinds[@]}"; do
    (
      path=$("$here/$kind.sh" up "$state/$kind") &&
        path2=$("$here/$kind.sh" second "$state/$kind") &&
        echo "$path2" > "$state/$kind.path2" &&
        echo "$path" > "$state/$kind.path"
    ) &
  done
  wait
  status=0
  for kind in "${kinds[@]}"; do
    [ -f "$state/$kind.path" ] && continue
    echo "the $kind share did not come up" >&2
    status=1
  done
  # Two servers on one port would each take part of the connections.
  ports=$(cat "$state"/*/port 2>/dev/null | sort)
  if [ "$(uniq <<<"$ports" | wc -l)" -ne "$(wc -l <<<"$ports")" ]; then
    echo "two servers were given the same port" >&2
    status=1
  fi
  exit "$status"
  ;;
down)
  # A client left stopped, or a server left cut off, would hold its unmount.
  for kind in "${kinds[@]}"; do
    for mnt in mnt mnt2; do
      for pid in $(clients "$kind" "$mnt" "$state"); do kill -CONT "$pid"; done
    done
    [ -f "$state/$kind/port" ] || continue
    port=$(cat "$state/$kind/port")
    for way in --dport --sport; do
      while iptables -D INPUT -i lo -p tcp "$way" "$port" -j DROP 2>/dev/null; do :; done
    done
  done
  for kind in "${kinds[@]}"; do "$here/$kind.sh" down "$state/$kind" & done
  wait
  ;;
freeze | thaw)
  kind="$2"
  state="$(realpath -m "$3")"
  client=$(clients "$kind" mnt "$state") || { echo "no $kind client" >&2; exit 1; }
  kill "$([ "$action" = freeze ] && echo -STOP || echo -CONT)" $client
  ;;
restart)
  kind="$2"
  state="$(realpath -m "$3")"
  "$here/$kind.sh" restart "$state/$kind" >/dev/null
  ;;
cut | mend)
  kind="$2"
  state="$(realpath -m "$3")"
  port=$(cat "$state/$kind/port")
  flag=$([ "$action" = cut ] && echo -I || echo -D)
  for way in --dport --sport; do
    iptables "$flag" INPUT -i lo -p tcp "$way" "$port" -j DROP
  done
  ;;
*)
  echo "usage: $0 up|down STATE_DIR, or freeze|thaw|cut|mend|restart KIND STATE_DIR" >&2
  exit 2
  ;;
esac
