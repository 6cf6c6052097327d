#!/usr/bin/env bash
# Builds everything in its own folder (build-sanitize/) as a Debug build with the address and undefined-behaviour
# sanitizers and runs every test there: a use of freed memory, an object used after its destructor or undefined
# arithmetic stops the test that meets it. Slow (a second full build, and the tests run several times slower), so
# not part of make test:  bash scripts/sanitize-test.sh [CTEST ARGS...]
set -euo pipefail
cd "$(dirname "$0")/.."
folder=build-sanitize
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
if [ ! -f "$folder/CMakeCache.txt" ]; then
  generator=()
  command -v ninja >/dev/null && generator=(-G Ninja)
  cmake -S . -B "$folder" "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
fi
cmake --build "$folder" -j "$(nproc)"
# Leaks are not looked for: the toolkit and the font libraries keep caches until the process ends. A sanitizer's
# report fails the test that made it.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir "$folder" --output-on-failure --timeout 1500 -j "$(nproc)" "$@"
