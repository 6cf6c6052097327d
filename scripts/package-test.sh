#!/usr/bin/env bash
# Installs the Debian package on this machine as an administrator would (dpkg -i, then apt-get -f install for what
# it depends on), starts the program as a normal user on a virtual screen, and checks that the user's database was
# made in their own data folder and that the main window came up; then removes the package and checks that the
# user's data stayed. It needs root and changes the machine (it installs the package, and a user `qvpackagetest`
# while it runs), so make test leaves it out: run it on a machine or container you can spare.
# Usage, after  make package:  sudo bash scripts/package-test.sh [build/package/quorvane_VERSION_ARCH.deb]
set -euo pipefail
cd "$(dirname "$0")/.."
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "run it as root: it installs and removes the package"
deb=${1:-$(ls -t build/package/quorvane_*.deb 2>/dev/null | head -n 1)}
[ -n "$deb" ] && [ -f "$deb" ] || fail "no package: run  make package  first, or name the .deb"
deb=$(realpath "$deb")
for tool in Xvfb xwininfo runuser useradd; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run  make setup"
done
dpkg-query -W -f='${Status}' quorvane 2>/dev/null | grep -q "install ok installed" &&
  fail "quorvane is installed already: remove it first (dpkg -r quorvane)"

user=qvpackagetest
work=$(mktemp -d)
chmod 755 "$work"
made_user=
cleanup() {
  if [ -n "$made_user" ]; then userdel -r "$user" 2>/dev/null || true; fi
  if dpkg-query -W -f='${Status}' quorvane 2>/dev/null | grep -q "install ok installed"; then dpkg --purge quorvane >/dev/null; fi
  rm -rf "$work"
}
trap cleanup EXIT
if ! id "$user" >/dev/null 2>&1; then
  useradd --create-home --shell /bin/bash "$user"
  made_user=yes
fi
home=$(getent passwd "$user" | cut -d: -f6)
data=$home/.local/share/Quorvane/Quorvane.qv
[ ! -e "$data" ] || fail "$data exists before the first start"

echo "Installing $deb"
if ! dpkg -i "$deb"; then
  DEBIAN_FRONTEND=noninteractive apt-get install -f -y -q || fail "the package's dependencies could not be installed"
fi
dpkg-query -W -f='${Status}' quorvane | grep -q "install ok installed" || fail "the package is not installed"
[ "$(command -v quorvane)" = /usr/bin/quorvane ] || fail "quorvane is not on the PATH"

# As the user, in a login environment of their own: a virtual screen, the program from the PATH as the menu entry
# starts it, and the main window looked for by its caption.
cat >"$work/as-user.sh" <<'INNER'
set -euo pipefail
work=$1
Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
program=
trap 'kill $program $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(tr -d '\n' <"$work/display")"
quorvane >"$work/program.log" 2>&1 &
program=$!
# The splash screen may bear the program's name too: the main window is the one that fills the screen.
mainWindow() { xwininfo -root -tree 2>/dev/null | grep '"Quorvane PRO 2005"' | grep ' 1024x768+'; }
for _ in $(seq 600); do
  mainWindow >/dev/null && break
  kill -0 $program 2>/dev/null || { echo "the program ended:"; cat "$work/program.log"; exit 1; }
  sleep 0.1
done
mainWindow || { echo "no main window:"; xwininfo -root -tree; cat "$work/program.log"; exit 1; }
sleep 1
if command -v import >/dev/null; then import -window root "$work/screen.png"; fi
kill $program
wait $program 2>/dev/null || true
INNER
chmod 644 "$work/as-user.sh"
chown "$user" "$work"
runuser -l "$user" -c "bash '$work/as-user.sh' '$work'" || fail "the program did not show its main window as $user"
# QV_SCREENSHOT=FILE.png keeps a picture of the screen to look at.
if [ -n "${QV_SCREENSHOT:-}" ] && [ -f "$work/screen.png" ]; then cp "$work/screen.png" "$QV_SCREENSHOT"; fi

# The database: the user's own, made as the installer makes it, nothing written under /usr.
[ -f "$data" ] || fail "no database in $data"
[ "$(stat -c '%U %a' "$data")" = "$user 600" ] || fail "database: $(stat -c '%U %a' "$data")"
[ "$(stat -c '%U %a' "$(dirname "$data")")" = "$user 700" ] || fail "its folder: $(stat -c '%U %a' "$(dirname "$data")")"
[ "$(head -c 15 "$data")" != "SQLite format 3" ] || fail "the database is not encrypted"
[ -z "$(find /usr/lib/quorvane -name 'Quorvane.qv*')" ] || fail "a database was made under /usr"
before=$(sha256sum "$data")

echo "Removing the package"
dpkg --purge quorvane
[ ! -e /usr/bin/quorvane ] && [ ! -e /usr/lib/quorvane ] || fail "the program is still there after removing"
[ "$(sha256sum "$data")" = "$before" ] || fail "removing the package changed or removed the user's data"
echo "package test ok: installed, started as $user with $data, removed with the data kept"
