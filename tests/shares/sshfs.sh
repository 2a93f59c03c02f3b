#!/usr/bin/env bash
# A real SSHFS share on this machine: sshd on 127.0.0.1 (a port of its own)
# serving a fresh directory, mounted with sshfs. Starts only what it stops.
# The same server answers on 127.0.0.2 to 127.0.0.5 too, the fleet test's
# hosts, with the same key (STATE_DIR/client_key) and port (STATE_DIR/port).
#   tests/shares/sshfs.sh up STATE_DIR     prints the mount point
#   tests/shares/sshfs.sh down STATE_DIR
set -euo pipefail
action="$1"
state="$(realpath -m "$2")"

case "$action" in
up)
  for tool in /usr/sbin/sshd sshfs ssh-keygen; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 3; }
  done
  mkdir -p "$state/export" "$state/mnt"
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
  for _ in $(seq 50); do
    sshfs -p "$port" -o IdentityFile="$state/client_key" -o StrictHostKeyChecking=no \
      -o UserKnownHostsFile=/dev/null -o LogLevel=ERROR -o reconnect \
      "$(id -un)@127.0.0.1:$state/export" "$state/mnt" 2>"$state/sshfs.log" && break
    sleep 0.1
  done
  mountpoint -q "$state/mnt" || { cat "$state/sshfs.log" "$state/sshd.log" >&2; exit 1; }
  echo "$state/mnt"
  ;;
down)
  if mountpoint -q "$state/mnt" 2>/dev/null; then
    fusermount3 -u "$state/mnt" 2>/dev/null || umount -l "$state/mnt"
  fi
  if [ -f "$state/sshd.pid" ]; then
    kill "$(cat "$state/sshd.pid")" 2>/dev/null || true
    rm -f "$state/sshd.pid"
  fi
  ;;
*)
  echo "usage: $0 up|down STATE_DIR" >&2
  exit 2
  ;;
esac
