#!/usr/bin/env bash
# A real SMB share on this machine: a private smbd on 127.0.0.1 (a port of its
# own) serving a fresh directory, mounted through the FUSE client smbnetfs.
# Starts only what it stops.
#   tests/shares/smb.sh up STATE_DIR     prints the share's directory
#   tests/shares/smb.sh down STATE_DIR
set -euo pipefail
action="$1"
state="$(realpath -m "$2")"
user=$(id -un)
password=dalvex-test

case "$action" in
up)
  for tool in smbd smbnetfs pdbedit; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 3; }
  done
  mkdir -p "$state"/{export,mnt,private,lock,state,cache,pid,log,ncalrpc,home/.smb}
  chmod 700 "$state"
  chmod 777 "$state/export"
  # smbd listens with SO_REUSEPORT: on a shared port (445) a second server,
  # the system's or one left over, would silently take half the connections.
  port=$("$(dirname "$0")/free_port.sh")
  echo "$port" > "$state/port"
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
  cat > "$state/home/.smb/smbnetfs.conf" <<CONF
auth "$user" "$password"
show_hidden_hosts "true"
smb_query_browsers "false"
CONF
  chmod 600 "$state/home/.smb/smbnetfs.conf"
  : > "$state/home/.smb/smb.conf"
  HOME="$state/home" smbnetfs "$state/mnt" -o config="$state/home/.smb/smbnetfs.conf",big_writes
  # smbnetfs names a server on another port HOST:PORT.
  share="$state/mnt/127.0.0.1:$port/dalvex"
  for _ in $(seq 100); do
    [ -d "$share" ] && break
    sleep 0.1
  done
  # The mount must reach this server's directory, not another's. The first
  # look through a fresh mount may come before smbd serves it: ask again.
  probe=".probe-$$"
  : > "$state/export/$probe"
  reached=no
  for _ in $(seq 100); do
    [ -f "$share/$probe" ] && reached=yes && break
    sleep 0.1
  done
  rm -f "$state/export/$probe"
  [ "$reached" = yes ] || { tail -20 "$state/log/smbd.log" >&2; exit 1; }
  echo "$share"
  ;;
down)
  if mountpoint -q "$state/mnt" 2>/dev/null; then
    fusermount -u "$state/mnt" 2>/dev/null || umount -l "$state/mnt"
  fi
  if [ -f "$state/pid/smbd.pid" ]; then
    pid=$(cat "$state/pid/smbd.pid")
    kill "$pid" 2>/dev/null || true
    # smbd outlives the caller (it is a daemon): see it gone.
    for _ in $(seq 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
  ;;
*)
  echo "usage: $0 up|down STATE_DIR" >&2
  exit 2
  ;;
esac
