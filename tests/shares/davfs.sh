#!/usr/bin/env bash
# A real WebDAV share on this machine: rclone's WebDAV server on 127.0.0.1 (a
# port of its own, a user and a password) serving a fresh directory, mounted
# with davfs2 (mount -t davfs) with davfs2's defaults, among them the delay
# before a closed file is uploaded. Nothing is asked and nothing of davfs2's
# goes to $HOME: its configuration and secrets are under STATE_DIR, its
# caches in a directory of this share's own under /var/tmp (STATE_DIR/private
# names it), since davfs2 works in them as its own user, who may not enter
# where STATE_DIR is (a checkout under /root). Starts only what it stops, and
# removes that directory.
#   tests/shares/davfs.sh up STATE_DIR       prints the mount point
#   tests/shares/davfs.sh second STATE_DIR   mounts the same directory once more, with
#                                            a cache of its own; prints its mount point
#   tests/shares/davfs.sh down STATE_DIR
set -euo pipefail
here="$(dirname "$0")"
action="$1"
state="$(realpath -m "$2")"
user=dalvex
password=dalvex-test

# davfs2's own user (dav_user of /etc/davfs2/davfs2.conf), and its group.
dav_user=$(awk '$1 == "dav_user" {print $2}' /etc/davfs2/davfs2.conf 2>/dev/null)
dav_user=${dav_user:-davfs2}

# The directory made for this share's caches, or nothing; only one of ours,
# so that a state directory's word never removes another.
private_dir() {
  local dir
  dir=$(cat "$state/private" 2>/dev/null) || return 0
  [[ $dir == /var/tmp/dalvex-shares.* ]] && [ -d "$dir" ] && echo "$dir"
  return 0
}

# Mounts the server's directory on STATE_DIR/MOUNT, its configuration in
# STATE_DIR/MOUNT.conf and its cache in MOUNT.cache of the private directory;
# prints the mount point.
mount_export() {  # MOUNT
  local mnt="$state/$1" url private cache
  url=$(cat "$state/url")
  private=$(private_dir)
  [ -n "$private" ] || { echo "no private directory for davfs2's caches" >&2; exit 1; }
  cache="$private/$1.cache"
  mkdir -p "$mnt" "$cache"
  # Run by root, mount.davfs checks its cache directory as root, then works
  # in it as its own user: root's directory, writable by that user's group.
  chown "root:$(id -gn "$dav_user")" "$cache"
  chmod 770 "$cache"
  runuser -u "$dav_user" -- test -w "$cache" ||
    { echo "$dav_user cannot reach $cache" >&2; exit 1; }
  # Linux 6.16 and later ask for a directory listing in larger pieces (100 KB
  # here): with davfs2's default 16 KiB buffer to the kernel every listing
  # fails with EINVAL. The buffer only sets how much one message between them
  # carries (max_read), not what is cached or when it is uploaded.
  cat > "$mnt.conf" <<CONF
secrets $state/secrets
cache_dir $cache
ask_auth 0
buf_size 64
CONF
  mount -t davfs -o conf="$mnt.conf" "$url" "$mnt" </dev/null >"$mnt.log" 2>&1 ||
    { cat "$mnt.log" "$state/server.log" >&2; exit 1; }
  pgrep -f "^/sbin/mount.davfs $url $mnt " > "$mnt.pid" || true
  # The mount must reach this server's directory. A directory, unlike a file,
  # is made on the server at once.
  local probe=".probe-$$-$1" reached=no
  mkdir "$mnt/$probe" && [ -d "$state/export/$probe" ] && reached=yes
  rmdir "$mnt/$probe" 2>/dev/null || true
  [ "$reached" = yes ] || { cat "$state/server.log" >&2; exit 1; }
  echo "$mnt"
}

case "$action" in
up)
  for tool in rclone mount.davfs runuser; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 3; }
  done
  mkdir -p "$state/export"
  chmod 755 "$state"
  chmod 777 "$state/export"
  # Only root and davfs2's group enter it.
  private=$(mktemp -d /var/tmp/dalvex-shares.XXXXXX)
  echo "$private" > "$state/private"
  chown "root:$(id -gn "$dav_user")" "$private"
  chmod 750 "$private"
  port=$("$(dirname "$0")/free_port.sh")
  echo "$port" > "$state/port"
  echo "http://127.0.0.1:$port/" > "$state/url"
  printf '%s %s %s\n' "$(cat "$state/url")" "$user" "$password" > "$state/secrets"
  chmod 600 "$state/secrets"
  : > "$state/server.conf"
  # The server reads the directory at every request (no directory cache), as
  # a web server's WebDAV module does: a file put straight into it is served.
  setsid rclone serve webdav "$state/export" --addr "127.0.0.1:$port" \
    --user "$user" --pass "$password" --dir-cache-time 0 --config "$state/server.conf" \
    --cache-dir "$state/server.cache" </dev/null >>"$state/server.log" 2>&1 &
  echo $! > "$state/server.pid"
  for _ in $(seq 100); do
    (: <"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
  done
  mount_export mnt
  ;;
second)
  mount_export mnt2
  ;;
down)
  # umount.davfs would look every 3 s whether mount.davfs, once unmounted, has
  # uploaded what it still held and ended: the same, looking more often.
  pids=()
  for mnt in "$state/mnt" "$state/mnt2"; do
    if mountpoint -q "$mnt" 2>/dev/null; then
      umount -i "$mnt" 2>/dev/null || umount -i -l "$mnt" || true
    fi
    [ -s "$mnt.pid" ] && pids+=("$(cat "$mnt.pid")") && rm -f "$mnt.pid"
  done
  # Not forever, for a server that no longer answers.
  "$here/await_exit.sh" 600 "$state/mnt" "${pids[@]}"
  if [ -f "$state/server.pid" ]; then
    pid=$(cat "$state/server.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    rm -f "$state/server.pid"
  fi
  # The caches, once their clients have ended.
  private=$(private_dir)
  [ -z "$private" ] || rm -rf "$private"
  rm -f "$state/private"
  ;;
*)
  echo "usage: $0 up|second|down STATE_DIR" >&2
  exit 2
  ;;
esac
