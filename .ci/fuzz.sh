#!/usr/bin/env bash
# Fuzzing: builds the libFuzzer targets with clang in build-fuzz and runs each for about a
# minute (VESK_FUZZ_SECONDS) on a scratch copy of its seed corpus (the fuzzer adds inputs
# to the corpus it runs on, and the seeds under fuzz/corpus are kept under version
# control), with the target's dictionary fuzz/<target>.dict when it has one. Fails on any
# finding; the inputs that caused one are kept in build-fuzz/findings/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
export CI="${CI:-true}"
seconds="${VESK_FUZZ_SECONDS:-60}"

. .ci/common.sh
begin_stage "fuzz targets"
install_missing cmake ninja-build clang libpugixml-dev nlohmann-json3-dev libcli11-dev libgeographiclib-dev libminizip-dev zlib1g-dev libtomlplusplus-dev libboost-dev libtiff-dev
# The sanitizer runtime and the symbolizer of the same clang release, so that a finding is
# reported with its functions, files and lines rather than bare addresses.
clang_major=$(clang -dumpversion | cut -d . -f 1)
install_missing "libclang-rt-$clang_major-dev" "llvm-$clang_major"
export ASAN_SYMBOLIZER_PATH="/usr/lib/llvm-$clang_major/bin/llvm-symbolizer"
[ -x "$ASAN_SYMBOLIZER_PATH" ] || stop_stage "no symbolizer at $ASAN_SYMBOLIZER_PATH"

echo "== build the fuzz targets with clang"
rm -rf build-fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVESK_FUZZ=ON -DVESK_BUILD_TESTS=OFF
targets=(route dialogue kml_gpx geojson_csv survey area journal settings grid)
cmake --build build-fuzz --target "${targets[@]/#/fuzz_}"

scratch="$(mktemp -d)"
# The targets keep the files each run writes in memory. What they still put in a work
# folder for every run, the waypoint file, the operator's answers and the console output,
# is a few kilobytes: in memory too when the machine has /dev/shm with room for it.
shm_free_kb="$(df -Pk /dev/shm 2>/dev/null | awk 'NR == 2 { print $4 }')"
if [ -w /dev/shm ] && [ "${shm_free_kb:-0}" -ge 16384 ]; then
  work="$(mktemp -d /dev/shm/vesk-fuzz.XXXXXX)"
else
  work="$scratch/work"
  mkdir "$work"
fi
on_stage_exit 'rm -rf "$scratch" "$work"'
findings_in=()
for target in "${targets[@]}"; do
  echo "== fuzz_$target for ${seconds} s"
  findings="$PWD/build-fuzz/findings/$target"
  mkdir -p "$scratch/$target" "$findings"
  cp fuzz/corpus/"$target"/* "$scratch/$target/"
  dictionary=()
  if [ -f fuzz/"$target".dict ]; then dictionary=(-dict=fuzz/"$target".dict); fi
  # -max_len keeps one run short: a waypoint file or dialogue of 4 KiB is far beyond real use.
  # The targets work in a temporary directory of their own under $work; one that a
  # timed-out run leaves behind goes with it. -close_fd_mask=2 keeps the reason the
  # program gives on standard error for each refused file out of the log; the fuzzer's,
  # the sanitizers' and the harness's reports still appear.
  if ! TMPDIR="$work" ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build-fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -rss_limit_mb=2048 -close_fd_mask=2 -print_final_stats=1 "${dictionary[@]}" \
      -artifact_prefix="$findings/" "$scratch/$target" \
      </dev/null; then
    findings_in+=("fuzz_$target")
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done
finish_stage

if [ "${#findings_in[@]}" -gt 0 ]; then
  echo "== findings in ${findings_in[*]}; inputs kept in build-fuzz/findings:" >&2
  ls -l build-fuzz/findings/* >&2
  exit 1
fi
echo "== no findings"
