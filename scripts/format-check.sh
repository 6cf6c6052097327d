#!/usr/bin/env bash
# Fails when a tracked source file is not laid out as .clang-format describes; prints the files to reformat.
set -uo pipefail
cd "$(dirname "$0")/.."
bad=()
while IFS= read -r f; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print)
if [ ${#bad[@]} -gt 0 ]; then
  echo "Not formatted (run: clang-format -i ${bad[*]}):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "Format check: every source file matches .clang-format"
