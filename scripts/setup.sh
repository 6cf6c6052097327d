#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the screenshots need, only when one is missing.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libsqlcipher-dev sqlcipher
          xvfb xauth imagemagick poppler-utils fonts-liberation fonts-liberation2 qt6-qpa-plugins
          clang-format desktop-file-utils)
packages+=(tzdata) # the data tests run once more in a time zone with summer time
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
fi
