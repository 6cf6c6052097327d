#!/usr/bin/env bash
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/format-check.sh
ctest --test-dir build --output-on-failure -j "$(nproc)"
