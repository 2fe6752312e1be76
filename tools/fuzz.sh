#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer, a
# GL-free gpu layer) in build-fuzz and runs each in turn for [seconds] (default 60) from the
# seed corpus in fuzz/corpus/<target>. New inputs collect in build-fuzz/corpus/<target>;
# crashes, leaks and timeouts land in build-fuzz/findings/<target>. One target runs at a
# time. Usage: tools/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(script params obj mtl pc2 cube imageheader shaderpreprocess log)
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMIVANE_FUZZ=ON -DLUMIVANE_TESTS=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]/#/fuzz_}"
status=0
for target in "${targets[@]}"; do
  work=build-fuzz/corpus/$target findings=build-fuzz/findings/$target
  mkdir -p "$work" "$findings"
  echo "== $target: $seconds s"
  # -close_fd_mask=2 silences the player's own log lines; libFuzzer still reports.
  if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 LSAN_OPTIONS=suppressions=$PWD/tools/sanitizer.supp \
      "build-fuzz/fuzz/fuzz_$target" "$work" "fuzz/corpus/$target" -max_total_time="$seconds" \
      -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1100 -close_fd_mask=2 -print_final_stats=1 \
      -artifact_prefix="$findings/" 2>&1 | grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)|ERROR|SUMMARY|Test unit written|artifact"; then
    :
  fi
  if [ -n "$(ls -A "$findings")" ]; then
    echo "!! $target: findings in $findings"
    status=1
  fi
  echo "   corpus: $(ls "$work" | wc -l) new + $(ls "fuzz/corpus/$target" | wc -l) seeds"
done
exit $status
