#!/usr/bin/env bash
# A real SMB share on this machine mounted through rclone's SMB backend: a
# private smbd of its own (smb.sh serve), mounted with `rclone mount` with the
# cache for writes (--vfs-cache-mode writes) and rclone's defaults otherwise,
# among them the delay before a closed file is written back to the server.
# Nothing of rclone's goes to $HOME: its configuration (the password obscured,
# as rclone wants it) and its caches are under STATE_DIR. Starts only what it
# stops.
#   tests/shares/rclone.sh up STATE_DIR       prints the mount point
#   tests/shares/rclone.sh second STATE_DIR   mounts the same share once more, with
#                                             a cache of its own; prints its mount point
#   tests/shares/rclone.sh down STATE_DIR
set -euo pipefail
here="$(dirname "$0")"
action="$1"
state="$(realpath -m "$2")"

# Mounts the share on STATE_DIR/MOUNT with an rclone of its own, its cache in
# STATE_DIR/MOUNT.cache; prints the mount point.
mount_share() {  # MOUNT
  local mnt="$state/$1"
  mkdir -p "$mnt" "$mnt.cache"
  setsid rclone mount server:dalvex "$mnt" --config "$state/rclone.conf" \
    --cache-dir "$mnt.cache" --vfs-cache-mode writes </dev/null >>"$mnt.log" 2>&1 &
  echo $! > "$mnt.pid"
  for _ in $(seq 100); do
    mountpoint -q "$mnt" && break
    sleep 0.1
  done
  # The mount must reach this server's directory. A directory, unlike a file,
  # is made on the server at once; the first ones may come before smbd serves.
  local probe=".probe-$$-$1" reached=no
  for _ in $(seq 100); do
    mkdir "$mnt/$probe" 2>/dev/null && break
    sleep 0.1
  done
  [ -d "$state/server/export/$probe" ] && reached=yes
  rmdir "$mnt/$probe" 2>/dev/null || true
  [ "$reached" = yes ] || { tail -20 "$mnt.log" >&2; exit 1; }
  echo "$mnt"
}

case "$action" in
up)
  command -v rclone >/dev/null || { echo "missing: rclone" >&2; exit 3; }
  mkdir -p "$state"
  chmod 700 "$state"
  "$here/smb.sh" serve "$state/server"
  cp "$state/server/port" "$state/port"
  cat > "$state/rclone.conf" <<CONF
[server]
type = smb
host = 127.0.0.1
port = $(cat "$state/port")
user = $(cat "$state/server/user")
pass = $(rclone obscure "$(cat "$state/server/password")")
CONF
  chmod 600 "$state/rclone.conf"
  mount_share mnt
  ;;
second)
  mount_share mnt2
  ;;
down)
  pids=()
  for mnt in "$state/mnt" "$state/mnt2"; do
    if mountpoint -q "$mnt" 2>/dev/null; then
      fusermount -u "$mnt" 2>/dev/null || umount -l "$mnt"
    fi
    [ -f "$mnt.pid" ] && pids+=("$(cat "$mnt.pid")") && rm -f "$mnt.pid"
  done
  # rclone ends once unmounted: see it gone, or end it.
  "$here/await_exit.sh" 100 "$state/mnt" "${pids[@]}"
  "$here/smb.sh" down "$state/server"
  ;;
*)
  echo "usage: $0 up|second|down STATE_DIR" >&2
  exit 2
  ;;
esac
