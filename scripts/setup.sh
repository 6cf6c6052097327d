#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the screenshots need, only when one is missing.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libsqlcipher-dev sqlcipher
          xvfb xauth imagemagick poppler-utils fonts-liberation fonts-liberation2 qt6-qpa-plugins
          clang-format openbox x11-utils desktop-file-utils)
packages+=(tzdata) # the data tests run once more in a time zone with summer time
packages+=(python3 python3-vobject python3-icalendar) # readers we did not write, for the exported files
packages+=(dbus-daemon)         # the alert tests run on a session bus of their own
packages+=(notification-daemon) # a desktop's notification service, to see the alerts under Xvfb
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "These Debian packages are missing: ${missing[*]}"
      echo "Installing them needs root, and this machine has no sudo. Either run the same make command as root"
      echo "(su -, then cd back here), or, as root, install sudo (apt-get install sudo), add yourself to the sudo"
      echo "group (adduser $(id -un) sudo), log in again and rerun it."
      exit 1
    fi
    SUDO="sudo"
  fi
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
fi
