#!/usr/bin/env bash
# Installs the dependencies, builds and runs the whole test suite, then builds
# and runs it again with AddressSanitizer and UndefinedBehaviorSanitizer, and
# finally runs the fuzz harnesses for about a minute (tools/fuzz.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

"$root/tools/install-deps.sh"

echo "== build and test (build/)"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j"$jobs"
ctest --test-dir "$root/build" --output-on-failure -j"$jobs"

echo "== 32-bit x86: the library and the virtual controller with -m32 (build-i386/)"
cmake -S "$root/tools/i386" -B "$root/build-i386" -DCMAKE_TOOLCHAIN_FILE="$root/tools/i386-toolchain.cmake"
cmake --build "$root/build-i386" -j"$jobs"
ctest --test-dir "$root/build-i386" --output-on-failure

echo "== build and test with AddressSanitizer + UndefinedBehaviorSanitizer (build-asan/)"
cmake -S "$root" -B "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVELMO_SANITIZE=ON
cmake --build "$root/build-asan" -j"$jobs"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs" -LE no-sanitizer

echo "== fuzz the input readers (build-fuzz/)"
"$root/tools/fuzz.sh"

echo "== all tests passed"
