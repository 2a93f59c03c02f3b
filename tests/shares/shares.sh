#!/usr/bin/env bash
# Brings up (or down) both test shares at once, for a whole test suite:
#   tests/shares/shares.sh up STATE_DIR     writes STATE_DIR/KIND.path for smb and sshfs
#   tests/shares/shares.sh down STATE_DIR
# And the two ways a share stops answering, for one of them (smb or sshfs):
#   tests/shares/shares.sh freeze|thaw KIND STATE_DIR   stops or resumes its FUSE client
#   tests/shares/shares.sh cut|mend KIND STATE_DIR      drops every packet to and from
#                                                       its server's port, or no more
# Without root or /dev/fuse the shares cannot exist here: STATE_DIR/skipped
# says why and the share tests skip. Anything else that fails is a failure.
set -uo pipefail
here="$(dirname "$0")"
action="$1"
state="$(realpath -m "$2")"

case "$action" in
up)
  [ -d "$state" ] && "$0" down "$state"  # what an interrupted suite left up
  rm -rf "$state" && mkdir -p "$state"
  if [ "$(id -u)" -ne 0 ] || [ ! -w /dev/fuse ]; then
    echo "the shares need root and /dev/fuse" | tee "$state/skipped"
    exit 0
  fi
  status=0
  for kind in smb sshfs; do
    if path=$("$here/$kind.sh" up "$state/$kind"); then
      echo "$path" > "$state/$kind.path"
    else
      echo "the $kind share did not come up" >&2
      status=1
    fi
  done
  exit "$status"
  ;;
down)
  for kind in smb sshfs; do "$here/$kind.sh" down "$state/$kind"; done
  ;;
freeze | thaw)
  kind="$2"
  state="$(realpath -m "$3")"
  client=$(pgrep -f "^(sshfs|smbnetfs) .*$state/$kind/mnt") || { echo "no $kind client" >&2; exit 1; }
  kill "$([ "$action" = freeze ] && echo -STOP || echo -CONT)" $client
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
  echo "usage: $0 up|down STATE_DIR, or freeze|thaw|cut|mend smb|sshfs STATE_DIR" >&2
  exit 2
  ;;
esac
