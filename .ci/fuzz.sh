#!/usr/bin/env bash
# Fuzzing: builds the libFuzzer targets with clang in build-fuzz and runs each for about a
# minute on a scratch copy of its seed corpus (the fuzzer adds inputs to the corpus it
# runs on, and the seeds under fuzz/corpus are kept under version control). Fails on any
# finding; the inputs that caused one are kept in build-fuzz/findings/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
export CI="${CI:-true}"
seconds="${VESK_FUZZ_SECONDS:-60}"

. .ci/common.sh
install_missing cmake ninja-build clang libclang-rt-14-dev

echo "== build the fuzz targets with clang"
rm -rf build-fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVESK_FUZZ=ON -DVESK_BUILD_TESTS=OFF
cmake --build build-fuzz --target fuzz_route fuzz_dialogue

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
failed=()
for target in route dialogue; do
  echo "== fuzz_$target for ${seconds} s"
  findings="$PWD/build-fuzz/findings/$target"
  mkdir -p "$scratch/$target" "$findings"
  cp fuzz/corpus/"$target"/* "$scratch/$target/"
  # -max_len keeps one run short: a waypoint file or dialogue of 4 KiB is far beyond real use.
  # The targets work in a temporary directory of their own; one that a timed-out run
  # leaves behind goes with the scratch directory.
  if ! TMPDIR="$scratch" ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build-fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "$scratch/$target" \
      </dev/null; then
    failed+=("fuzz_$target")
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "== findings in ${failed[*]}; inputs kept in build-fuzz/findings:" >&2
  ls -l build-fuzz/findings/* >&2
  exit 1
fi
echo "== no findings"
