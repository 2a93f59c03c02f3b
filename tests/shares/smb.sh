#!/usr/bin/env bash
# A real SMB share on this machine: a private smbd on 127.0.0.1 (a port of its
# own) serving a fresh directory, mounted through the FUSE client smbnetfs.
# Starts only what it stops.
#   tests/shares/smb.sh up STATE_DIR       prints the share's directory
#   tests/shares/smb.sh second STATE_DIR   mounts the same share once more, through
#                                          a second smbnetfs with a home of its own;
#                                          prints the same directory as seen through it
#   tests/shares/smb.sh serve STATE_DIR    only the server, for another client:
#                                          STATE_DIR/port, user and password
#   tests/shares/smb.sh restart STATE_DIR  stops the server and starts it again on the
#                                          same port, then mounts the first mount again,
#                                          as a client does after a server's restart
#   tests/shares/smb.sh down STATE_DIR
set -euo pipefail
action="$1"
state="$(realpath -m "$2")"
user=$(id -un)
password=dalvex-test

serve() {
  for tool in smbd pdbedit; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 3; }
  done
  mkdir -p "$state"/{export,private,lock,state,cache,pid,log,ncalrpc}
  chmod 700 "$state"
  chmod 777 "$state/export"
  # smbd listens with SO_REUSEPORT: on a shared port (445) a second server,
  # the system's or one left over, would silently take half the connections.
  port=$("$(dirname "$0")/free_port.sh")
  echo "$port" > "$state/port"
  echo "$user" > "$state/user"
  echo "$password" > "$state/password"
  cat > "$state/smb.conf" <<CONF
[global]
  interfaces = lo
  bind interfaces only = yes
  smb ports = $port
  server role = standalone server
  private dir = $state/private
  lock directory = $state/lock
  state directory = $state/state
  cache directory = $state/cache
  pid directory = $state/pid
  ncalrpc dir = $state/ncalrpc
  log file = $state/log/smbd.log
  passdb backend = tdbsam:$state/private/passdb.tdb
  disable spoolss = yes
  load printers = no
  printing = bsd
  printcap name = /dev/null
[dalvex]
  path = $state/export
  read only = no
  valid users = $user
CONF
  printf '%s\n%s\n' "$password" "$password" |
    pdbedit -s "$state/smb.conf" -a -u "$user" -t >/dev/null
  smbd -s "$state/smb.conf" -D
}

# Ends the server, and waits until it is gone: it is a daemon.
stop_server() {
  [ -f "$state/pid/smbd.pid" ] || return 0
  local pid
  pid=$(cat "$state/pid/smbd.pid")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
}

unmount() {  # MOUNT
  if mountpoint -q "$1" 2>/dev/null; then
    fusermount -u "$1" 2>/dev/null || umount -l "$1"
  fi
}

# Mounts the share with an smbnetfs of its own on STATE_DIR/MOUNT, its
# configuration in STATE_DIR/HOME; prints the share's directory in it.
mount_share() {  # MOUNT HOME
  local mnt="$state/$1" home="$state/$2"
  mkdir -p "$mnt" "$home/.smb"
  cat > "$home/.smb/smbnetfs.conf" <<CONF
auth "$user" "$password"
show_hidden_hosts "true"
smb_query_browsers "false"
CONF
  chmod 600 "$home/.smb/smbnetfs.conf"
  : > "$home/.smb/smb.conf"
  HOME="$home" smbnetfs "$mnt" -o config="$home/.smb/smbnetfs.conf",big_writes
  # smbnetfs names a server on another port HOST:PORT.
  local share
  share="$mnt/127.0.0.1:$(cat "$state/port")/dalvex"
  for _ in $(seq 100); do
    [ -d "$share" ] && break
    sleep 0.1
  done
  # The mount must reach this server's directory, not another's. The first
  # look through a fresh mount may come before smbd serves it: ask again.
  local probe=".probe-$$" reached=no
  : > "$state/export/$probe"
  for _ in $(seq 100); do
    [ -f "$share/$probe" ] && reached=yes && break
    sleep 0.1
  done
  rm -f "$state/export/$probe"
  [ "$reached" = yes ] || { tail -20 "$state/log/smbd.log" >&2; exit 1; }
  echo "$share"
}

case "$action" in
up)
  command -v smbnetfs >/dev/null || { echo "missing: smbnetfs" >&2; exit 3; }
  serve
  mount_share mnt home
  ;;
second)
  mount_share mnt2 home2
  ;;
serve)
  serve
  ;;
restart)
  unmount "$state/mnt"
  stop_server
  smbd -s "$state/smb.conf" -D
  mount_share mnt home
  ;;
down)
  for mnt in "$state/mnt" "$state/mnt2"; do unmount "$mnt"; done
  stop_server
  ;;
*)
  echo "usage: $0 up|second|serve|restart|down STATE_DIR" >&2
  exit 2
  ;;
esac
