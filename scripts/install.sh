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
  *)
    if [ "$prefix/bin" = "$HOME/.local/bin" ]; then
      echo "Note: $prefix/bin is on your PATH from your next login (Debian's ~/.profile adds it once it exists);"
      echo "until then, start $prefix/bin/quorvane"
    else
      echo "Note: $prefix/bin is not on your PATH; add it, or start $prefix/bin/quorvane"
    fi
    ;;
esac
echo "To remove it again: make uninstall$([ "$prefix" = "$HOME/.local" ] || echo " PREFIX=$prefix") (your data stays)"
