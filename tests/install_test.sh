#!/usr/bin/env bash
# Installs the built program into fresh folders and checks the layout it expects: executable, help pages, examples
# and database file in one folder, a launcher on the PATH, a valid desktop entry with its icon, and a second install
# that leaves the user's database alone. Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/home/.local
cmake --install "$build" --prefix "$prefix" >/dev/null
program=$prefix/lib/quorvane
[ -x "$program/quorvane" ] || fail "no executable in $program"
for page in Help.htm DBHelp.htm; do [ -f "$program/help/$page" ] || fail "help/$page missing"; done
if [ -d "$source/examples" ]; then
  for f in $(cd "$source/examples" && find . -type f ! -name CMakeLists.txt); do
    cmp -s "$source/examples/$f" "$program/examples/$f" || fail "examples/$f not installed"
  done
fi
[ -f "$program/Quorvane.qv" ] || fail "no database file"
[ "$(head -c 16 "$program/Quorvane.qv")" != "SQLite format 3" ] || fail "database file is not encrypted"
[ "$(readlink -f "$prefix/bin/quorvane")" = "$(readlink -f "$program/quorvane")" ] || fail "launcher does not lead to the program"
entry=$prefix/share/applications/quorvane.desktop
desktop-file-validate "$entry" || fail "desktop entry does not validate"
grep -qx "Exec=\"$prefix/bin/quorvane\"" "$entry" || fail "desktop entry does not start the launcher: $(grep ^Exec "$entry")"
grep -qx "Icon=quorvane" "$entry" || fail "desktop entry has no icon"
[ -f "$prefix/share/icons/hicolor/scalable/apps/quorvane.svg" ] || fail "icon missing"

# The user's data survives a second install, and nothing else is made beside it.
printf 'the user data' > "$program/Quorvane.qv"
before=$(ls -A "$program")
cmake --install "$build" --prefix "$prefix" >/dev/null
[ "$(cat "$program/Quorvane.qv")" = "the user data" ] || fail "a second install replaced the database"
[ "$(ls -A "$program")" = "$before" ] || fail "a second install left other files: $(ls -A "$program")"

# The list of installed files names everything but the user's data, and keeps what an earlier install put there.
list=$program/installed-files.txt
for f in "$prefix/bin/quorvane" "$entry" "$program/quorvane" "$program/help/Help.htm" \
         "$prefix/share/icons/hicolor/scalable/apps/quorvane.svg" "$prefix/share/metainfo/example.quorvane.Quorvane.metainfo.xml"; do
  grep -qx "$f" "$list" || fail "not in the list of installed files: $f"
done
! grep -q "Quorvane.qv$" "$list" || fail "the database is in the list of installed files"
echo "$program/from-an-older-version.htm" >>"$list"
touch "$program/from-an-older-version.htm"
cmake --install "$build" --prefix "$prefix" >/dev/null
grep -qx "$program/from-an-older-version.htm" "$list" || fail "an install forgot what an earlier one installed"

# Uninstalling removes every installed file and leaves the data.
PREFIX=$prefix bash "$source/scripts/uninstall.sh" >/dev/null || fail "uninstall failed"
left=$(cd "$prefix" && find . ! -type d | sort)
[ "$left" = "./lib/quorvane/Quorvane.qv" ] || fail "uninstall left: $left"
[ "$(cat "$program/Quorvane.qv")" = "the user data" ] || fail "uninstall touched the data"
[ -z "$(find "$prefix" -type d -empty)" ] || fail "uninstall left empty folders: $(find "$prefix" -type d -empty)"

# A staged install names its final place, not the staging folder.
DESTDIR=$work/stage cmake --install "$build" --prefix /opt/qv >/dev/null
[ -f "$work/stage/opt/qv/lib/quorvane/Quorvane.qv" ] || fail "staged install has no database"
grep -qx 'Exec="/opt/qv/bin/quorvane"' "$work/stage/opt/qv/share/applications/quorvane.desktop" || fail "staged entry"
[ "$(readlink "$work/stage/opt/qv/bin/quorvane")" = "../lib/quorvane/quorvane" ] || fail "staged launcher"
grep -qx /opt/qv/bin/quorvane "$work/stage/opt/qv/lib/quorvane/installed-files.txt" || fail "staged list of installed files"
echo "install layout ok"
