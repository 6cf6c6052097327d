#!/usr/bin/env bash
# Removes what make install put in ~/.local (PREFIX=/some/folder for another place): every file in the list the
# installs kept, then the folders that are left empty. The database file is not in the list: your data stays.
set -euo pipefail
prefix="${PREFIX:-$HOME/.local}"
program=$prefix/lib/quorvane
list=$program/installed-files.txt
if [ ! -f "$list" ]; then
  echo "Nothing to remove: $list does not exist (Quorvane PRO 2005 is not installed in $prefix)."
  exit 1
fi
while IFS= read -r file; do
  [ -n "$file" ] || continue
  if [ -e "$file" ] || [ -L "$file" ]; then rm -f -- "$file"; fi
done <"$list"
rm -f -- "$list"
# The program's own folders once empty, and the ones install made, if nothing else is in them.
find "$program" -depth -type d -empty -delete 2>/dev/null || true
for folder in share/icons/hicolor/scalable/apps share/icons/hicolor/scalable share/icons/hicolor share/icons \
              share/metainfo share/applications share/doc/quorvane share/doc share/man/man1 share/man share bin lib; do
  if [ -d "$prefix/$folder" ]; then rmdir --ignore-fail-on-non-empty "$prefix/$folder"; fi
done
if command -v update-desktop-database >/dev/null && [ -d "$prefix/share/applications" ]; then
  update-desktop-database -q "$prefix/share/applications" || true
fi
echo "Removed Quorvane PRO 2005 from $prefix."
if [ -f "$program/Quorvane.qv" ]; then
  echo "Your data was kept: $program/Quorvane.qv (delete it yourself if you no longer need it)."
fi
