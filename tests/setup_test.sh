#!/usr/bin/env bash
# The set-up script on the machines users have, with stand-ins for the system's tools on the PATH (dpkg-query,
# apt-get, sudo, id): root installs directly, a sudo user installs through sudo with the non-interactive setting
# reaching apt-get, a user without sudo or whom sudo refuses is told to run  make setup  as root, and nothing is
# installed when nothing is missing. Usage: setup_test.sh SOURCE_DIR
set -euo pipefail
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# A PATH of its own: the few real tools the script uses, and the stand-ins.
bin=$work/bin
mkdir -p "$bin"
for tool in bash env grep cat dirname; do ln -s "$(command -v "$tool")" "$bin/$tool"; done
cat >"$bin/dpkg-query" <<'STUB'
#!/bin/bash
# Every package is installed but the ones listed in $MISSING.
for p in $MISSING; do [ "$p" = "${@: -1}" ] && exit 1; done
printf 'install ok installed'
STUB
cat >"$bin/apt-get" <<'STUB'
#!/bin/bash
echo "apt-get $* as $(id -u) DEBIAN_FRONTEND=${DEBIAN_FRONTEND:-unset}" >>"$LOG"
STUB
cat >"$bin/id" <<'STUB'
#!/bin/bash
case "$1" in -u) echo "${AS_UID:-1000}";; -un) echo "${AS_NAME:-ann}";; esac
STUB
# sudo as Debian configures it: the command runs as root with a clean environment; -v fails for a user not in
# sudoers.
cat >"$work/sudo" <<'STUB'
#!/bin/bash
if [ "${SUDOERS:-yes}" = no ]; then echo "ann is not in the sudoers file." >&2; exit 1; fi
[ "$1" = -v ] && exit 0
exec /usr/bin/env -i PATH="$PATH" LOG="$LOG" AS_UID=0 AS_NAME=root "$@"
STUB
chmod +x "$bin"/* "$work/sudo"

run() { # run CASE [with-sudo]: the script's output in $work/out, its status returned
  : >"$work/log"
  local path=$bin
  [ "${2:-}" = with-sudo ] && { mkdir -p "$work/sudobin"; ln -sf "$work/sudo" "$work/sudobin/sudo"; path=$bin:$work/sudobin; }
  env -i PATH="$path" LOG="$work/log" MISSING="${MISSING:-}" AS_UID="${AS_UID:-1000}" SUDOERS="${SUDOERS:-yes}" \
    DEBIAN_FRONTEND=readline bash "$source/scripts/setup.sh" >"$work/out" 2>&1
}

# Nothing missing: nothing installed, nothing asked.
MISSING="" run none with-sudo || fail "nothing missing failed: $(cat "$work/out")"
[ ! -s "$work/log" ] || fail "installed with nothing missing: $(cat "$work/log")"

# Root installs directly, non-interactively.
MISSING="openbox fonts-dejavu-core" AS_UID=0 run root || fail "root: $(cat "$work/out")"
grep -qx "apt-get install -y -q openbox fonts-dejavu-core as 0 DEBIAN_FRONTEND=noninteractive" "$work/log" ||
  fail "root: $(cat "$work/log")"

# Through sudo the setting still reaches apt-get, which runs as root.
MISSING="openbox" run sudo with-sudo || fail "sudo: $(cat "$work/out")"
grep -qx "apt-get update -q as 0 DEBIAN_FRONTEND=noninteractive" "$work/log" || fail "sudo update: $(cat "$work/log")"
grep -qx "apt-get install -y -q openbox as 0 DEBIAN_FRONTEND=noninteractive" "$work/log" ||
  fail "sudo install: $(cat "$work/log")"

# Without sudo, and refused by sudo: the advice is make setup as root, never the whole make command.
for how in no-sudo refused; do
  if [ $how = no-sudo ]; then MISSING="openbox" run $how && fail "$how succeeded"
  else MISSING="openbox" SUDOERS=no run $how with-sudo && fail "$how succeeded"; fi
  grep -q "su -c 'make -C \"$source\" setup'" "$work/out" || fail "$how: no make setup advice: $(cat "$work/out")"
  grep -q "missing: openbox" "$work/out" || fail "$how: the missing packages are not named"
  ! grep -qi "same make command" "$work/out" || fail "$how: advises the whole make command as root"
  [ ! -s "$work/log" ] || fail "$how: installed something"
done
grep -q "sudo did not let ann" "$work/out" || fail "refused: no explanation: $(cat "$work/out")"
echo "setup ok"
