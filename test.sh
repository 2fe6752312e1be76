#!/usr/bin/env bash
# Installs what is missing, builds Lumivane with its tests and runs the whole CTest suite.
# Window tests run on a virtual X server (Xvfb); rendering uses Mesa's llvmpipe.
# "--sanitize" builds in build-asan with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs the suite there; "--sanitize-pure" runs only the programs that need no GL (system,
# parameters, audio, video) that way. Other arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")"
build=build
options=()
pure=""
if [ "${1:-}" = "--sanitize" ] || [ "${1:-}" = "--sanitize-pure" ]; then
  [ "$1" = "--sanitize-pure" ] && pure="system params audio video"
  shift
  build=build-asan
  options=(-DLUMIVANE_SANITIZE=ON)
  # intercept_tls_get_addr=0: the runtime's __tls_get_addr hook (GCC 12) takes some of Mesa's
  # dynamic TLS blocks for an old glibc header by their address alone, and LeakSanitizer's
  # exit scan then reads a made-up range and crashes ("Tracer caught signal 11"), depending
  # only on where malloc placed the block.
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0:intercept_tls_get_addr=0
  export LSAN_OPTIONS=suppressions=$PWD/tools/sanitizer.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
tools/install-deps.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMIVANE_TESTS=ON "${options[@]}" >/dev/null
if [ -n "$pure" ]; then
  cmake --build "$build" --target $(printf 'test_%s ' $pure)
  cd "$build/tests"
  # Each test in its own process, as ctest runs them.
  passed=0
  failed=0
  for group in $pure; do
    for name in $("./test_$group" --gtest_list_tests | awk '/^[^ ]/ {suite=$1} /^  / {print suite $1}'); do
      if "./test_$group" --gtest_filter="$name" >"/tmp/lumivane_sanitize_$$.log" 2>&1; then
        passed=$((passed + 1))
      else
        cat "/tmp/lumivane_sanitize_$$.log"
        echo "FAILED: $group $name"
        failed=$((failed + 1))
      fi
    done
  done
  rm -f "/tmp/lumivane_sanitize_$$.log"
  echo "sanitizers: $passed passed, $failed failed"
  exit $((failed > 0))
fi
cmake --build "$build"
export LIBGL_ALWAYS_SOFTWARE=1
exec xvfb-run -a -s "-screen 0 1920x1080x24" ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
