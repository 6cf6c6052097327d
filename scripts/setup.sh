#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the screenshots need, only when one is missing. As root it
# installs them itself; otherwise through sudo. Without sudo, run it once as root:  su -c 'make setup'  (it only
# installs packages, so the build folder stays the user's).
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libsqlcipher-dev sqlcipher
          xvfb xauth imagemagick poppler-utils fonts-liberation fonts-liberation2 qt6-qpa-plugins
          clang-format openbox x11-utils desktop-file-utils)
packages+=(tzdata)            # the data tests run once more in a time zone with summer time
packages+=(fonts-dejavu-core) # the font the windows are laid out with
packages+=(fonts-urw-base35)  # the one a desktop without it falls back to, which the desktop tests also use
packages+=(dpkg-dev file lintian appstream) # make package, and the test that checks what it makes
packages+=(python3 python3-vobject python3-icalendar) # readers we did not write, for the exported files
packages+=(dbus-daemon)         # the alert tests run on a session bus of their own
packages+=(notification-daemon) # a desktop's notification service, to see the alerts under Xvfb
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

here=$(cd "$(dirname "$0")/.." && pwd)
explain() {
  echo "These Debian packages are missing: ${missing[*]}"
  echo "Installing them needs root. $1 Either install them once as root, which changes nothing in this folder:"
  echo "    su -c 'make -C \"$here\" setup'"
  echo "and then run your make command again as $(id -un); or, as root, install sudo (apt-get install sudo), add"
  echo "yourself to the sudo group (adduser $(id -un) sudo), log in again and rerun it."
  echo "(Running the whole make command as root instead would leave a build folder you cannot write.)"
}

run=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    explain "This machine has no sudo."
    exit 1
  fi
  # Asks for the password here, once, so that a refusal is explained before anything else happens.
  if ! sudo -v; then
    explain "sudo did not let $(id -un) run commands as root."
    exit 1
  fi
  # sudo starts the command with a clean environment: the setting goes through env, as root.
  run=(sudo)
fi
echo "Installing: ${missing[*]}"
"${run[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${run[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
