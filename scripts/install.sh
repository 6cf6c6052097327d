#!/usr/bin/env bash
# Installs the built program for the user who runs it (PREFIX=/some/folder to choose another place) and refreshes
# the desktop's application menu. The program writes its database beside itself, so the folder must be the user's.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix="${PREFIX:-$HOME/.local}"
cmake --install build --prefix "$prefix"
if command -v update-desktop-database >/dev/null; then
  update-desktop-database -q "$prefix/share/applications" || true
fi
echo "Installed in $prefix/lib/quorvane; start it from the desktop's menu or with: quorvane"
[ -w "$prefix/lib/quorvane/Quorvane.qv" ] || echo "Warning: $prefix/lib/quorvane/Quorvane.qv is not writable by $(id -un)"
case ":$PATH:" in
  *":$prefix/bin:"*) ;;
  *) echo "Note: $prefix/bin is not on your PATH; add it, or start $prefix/bin/quorvane" ;;
esac
