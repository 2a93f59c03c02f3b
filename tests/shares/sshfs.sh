#!/usr/bin/env bash
# A real SSHFS share on this machine: sshd on 127.0.0.1 (a port of its own)
# serving a fresh directory, mounted with sshfs. Starts only what it stops.
# The same server answers on 127.0.0.2 to 127.0.0.5 too, the fleet test's
# hosts, with the same key (STATE_DIR/client_key) and port (STATE_DIR/port).
#   tests/shares/sshfs.sh up STATE_DIR       prints the mount point
#   tests/shares/sshfs.sh second STATE_DIR   mounts the same directory once more, with
#                                            a second sshfs; prints its mount point
#   tests/shares/sshfs.sh restart STATE_DIR  stops the server and starts it again on the
#                                            same port, then mounts the first mount again,
#                                            as a client does after a server's restart
#   tests/shares/sshfs.sh down STATE_DIR
set -euo pipefail
action="$1"
state="$(realpath -m "$2")"

# Mounts the server's directory on STATE_DIR/MOUNT, once the server answers.
mount_export() {  # MOUNT
  local mnt="$state/$1"
  mkdir -p "$mnt"
  for _ in $(seq 50); do
    sshfs -p "$(cat "$state/port")" -o IdentityFile="$state/client_key" \
      -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o LogLevel=ERROR \
      -o reconnect "$(id -un)@127.0.0.1:$state/export" "$mnt" 2>"$state/$1.log" && break
    sleep 0.1
  done
  mountpoint -q "$mnt" || { cat "$state/$1.log" "$state/sshd.log" >&2; exit 1; }
  echo "$mnt"
}

# Ends the server and its sessions, which outlive it: one whose client went
# while the port was cut would wait for it forever.
stop_server() {
  [ -f "$state/sshd.pid" ] || return 0
  local pid sessions
  pid=$(cat "$state/sshd.pid")
  sessions=$(pgrep -P "$pid" || true)
  kill "$pid" $sessions 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$state/sshd.pid"
}

unmount() {  # MOUNT
  if mountpoint -q "$1" 2>/dev/null; then
    fusermount3 -u "$1" 2>/dev/null || umount -l "$1"
  fi
}

case "$action" in
up)
  for tool in /usr/sbin/sshd sshfs ssh-keygen; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 3; }
  done
  mkdir -p "$state/export"
  chmod 700 "$state"
  ssh-keygen -q -t ed25519 -N '' -f "$state/host_key" <<<y >/dev/null
  ssh-keygen -q -t ed25519 -N '' -f "$state/client_key" <<<y >/dev/null
  cp "$state/client_key.pub" "$state/authorized_keys"
  mkdir -p /run/sshd
  port=$("$(dirname "$0")/free_port.sh")
  cat > "$state/sshd_config" <<CONF
ListenAddress 127.0.0.1
ListenAddress 127.0.0.2
ListenAddress 127.0.0.3
ListenAddress 127.0.0.4
ListenAddress 127.0.0.5
Port $port
HostKey $state/host_key
PidFile $state/sshd.pid
AuthorizedKeysFile $state/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
Subsystem sftp internal-sftp
CONF
  /usr/sbin/sshd -f "$state/sshd_config" -E "$state/sshd.log"
  echo "$port" > "$state/port"
  mount_export mnt
  ;;
second)
  mount_export mnt2
  ;;
restart)
  unmount "$state/mnt"
  stop_server
  /usr/sbin/sshd -f "$state/sshd_config" -E "$state/sshd.log"
  mount_export mnt
  ;;
down)
  for mnt in "$state/mnt" "$state/mnt2"; do unmount "$mnt"; done
  stop_server
  ;;
*)
  echo "usage: $0 up|second|restart|down STATE_DIR" >&2
  exit 2
  ;;
esac
