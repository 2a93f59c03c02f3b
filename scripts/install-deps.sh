#!/usr/bin/env bash
# Installs the Debian packages that building Dalvex 2 needs, when they are
# missing (Qt 6 with its French texts for the wizard); with --package also
# what making the Debian package needs; with --test that and what the tests
# need (GoogleTest, FUSE, the servers and clients of the real shares, the
# desktop-entry, metainfo and package checkers, Ansible with ansible-lint,
# libfaketime for a client whose clock is off, an X server with a window
# manager and xdotool for the wizard losing its display, tidy for the HTML
# reports, a bus daemon and Python's D-Bus and GLib bindings for the desktop's
# services faked). Uses sudo only when not root.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libinih-dev nlohmann-json3-dev libicu-dev libsystemd-dev
  qt6-base-dev libxcb1-dev qt6-translations-l10n fonts-dejavu-core
)
if [ "${1:-}" = "--package" ] || [ "${1:-}" = "--test" ]; then
  packages+=(dpkg-dev file)
fi
if [ "${1:-}" = "--test" ]; then
  packages+=(
    libgtest-dev libbenchmark-dev clang ccache
    fuse3 libfuse3-dev
    samba smbnetfs openssh-server sshfs rclone davfs2 python3 iptables
    desktop-file-utils appstream lintian ansible-core python3-apt ansible-lint faketime
    xvfb x11-utils openbox xdotool tidy
    dbus-daemon python3-dbus python3-gi
  )
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
