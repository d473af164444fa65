#!/usr/bin/env bash
# Builds everything and runs every test: the native build, the same tests
# under AddressSanitizer with UndefinedBehaviorSanitizer and under
# ThreadSanitizer, the host boundary built with clang under both sanitizers
# with a minute of fuzzing, and the Windows build under wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tools/setup-debian.sh
zarvex_install_packages "${ZARVEX_BUILD_PACKAGES[@]}" "${ZARVEX_TEST_PACKAGES[@]}"

jobs=$(nproc)
# What the tests run inside: nothing, or an X server for the window tests.
test_wrapper=()
# What a suite builds: everything, or the targets its tests need.
build_targets=()
# run_suite NAME "CTEST ARGS" CMAKE ARGS...
run_suite() {
  local name=$1 ctest_args=$2; shift 2
  echo "== $name"
  cmake -S . -B "build-ci/$name" "$@" >/dev/null
  cmake --build "build-ci/$name" -j"$jobs" "${build_targets[@]}"
  # shellcheck disable=SC2086
  "${test_wrapper[@]}" ctest --test-dir "build-ci/$name" --output-on-failure -j"$jobs" $ctest_args
}

reference="$root/build-ci/reference-render.f32"
# Optimised without debug information where no sanitizer needs it for its reports.
optimised=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG")
checked=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g")

run_suite native "" "${optimised[@]}" -DZARVEX_REFERENCE_OUT="$reference"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite asan-ubsan "" "${checked[@]}" -DZARVEX_SANITIZE=address,undefined -DZARVEX_BUILD_BENCH=OFF
# Threads meet in the plug-in shell: parameter changes against the render.
TSAN_OPTIONS=halt_on_error=1 \
  run_suite tsan "-R test_(threads|block_loop|shell|editor_values|editor_window)" "${checked[@]}" -DZARVEX_SANITIZE=thread -DZARVEX_BUILD_BENCH=OFF -DZARVEX_BUILD_TOOLS=OFF
# clang's UndefinedBehaviorSanitizer checks array bounds that gcc's lets pass,
# and clang has libFuzzer. Where the plug-in meets the host: the shell and host
# tests, then a minute of fuzzing through the binary interface (long runs: see
# the README).
build_targets=(--target fuzz_host_calls test_block_loop test_shell test_parameters test_programs test_voice
  test_host_stress)
CC=clang-14 CXX=clang++-14 ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite clang-asan-ubsan "-R ^(test_(block_loop|shell|parameters|programs|voice|host_stress)|fuzz_host_calls_seeds)$" \
  "${checked[@]}" -DZARVEX_SANITIZE=address,undefined -DZARVEX_BUILD_FUZZ=ON -DZARVEX_BUILD_BENCH=OFF -DZARVEX_BUILD_TOOLS=OFF
build_targets=()
mkdir -p build-ci/fuzz-corpus
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  build-ci/clang-asan-ubsan/tests/fuzz/fuzz_host_calls -max_total_time=60 -timeout=60 -print_final_stats=1 \
  -artifact_prefix=build-ci/fuzz- build-ci/fuzz-corpus tests/fuzz/corpus
# One wine prefix for the whole run keeps wine's first start out of each test.
export WINEPREFIX="$root/build-ci/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
# The Win32 window layer is tested in wine's window system, on a virtual display.
test_wrapper=(xvfb-run -a -s "-screen 0 1024x768x24")
run_suite windows "" "${optimised[@]}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DZARVEX_REFERENCE_IN="$reference"
echo "All test suites passed."
