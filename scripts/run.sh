#!/usr/bin/env bash
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: run it under a virtual one with  xvfb-run -a -s '-screen 0 1280x1024x24 -dpi 96' build/bin/quorvane"
  exit 0
fi
exec build/bin/quorvane
