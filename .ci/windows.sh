#!/usr/bin/env bash
# Windows build: cross-compiles vesk.exe with MinGW-w64, runs its unit tests under Wine,
# then runs the Linux program (./build/vesk, built by .ci/run) and the Windows program on
# the same routes with the same operator answers and checks that they write byte-identical
# files, print the same messages and exit alike. An operator must get the same mission
# from either machine.
set -euo pipefail
cd "$(dirname "$0")/.."
export CI="${CI:-true}"
. .ci/common.sh

install_missing cmake ninja-build g++ libgtest-dev g++-mingw-w64-x86-64-posix googletest \
  wine wine64

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vesk-windows.XXXXXX")
trap 'stop_wine; rm -rf "$scratch"' EXIT

echo "== cross build for Windows (MinGW-w64)"
windows_build fresh
win_exe="$PWD/build-windows/vesk.exe"

# The operator copies vesk.exe alone: it may need no DLL beyond those of Windows itself.
mingw_dlls=$(x86_64-w64-mingw32-objdump -p "$win_exe" | awk '/DLL Name:/ {print $3}' |
  grep -iE '^(libstdc\+\+|libgcc|libwinpthread)' || true)
if [ -n "$mingw_dlls" ]; then
  echo "vesk.exe needs MinGW runtime DLLs: $mingw_dlls" >&2
  exit 1
fi

start_wine "$scratch"

echo "== Windows unit tests under Wine"
ctest --test-dir build-windows --output-on-failure --timeout 600 </dev/null

ensure_linux_build
linux_exe="$PWD/build/vesk"

# run_in DIR ROUTE ANSWERS PROGRAM...: runs the program in the fresh directory DIR on the
# route file copied there as route.txt, with the operator answers on standard input.
run_in() {
  local dir=$1 route=$2 answers=$3 status=0
  shift 3
  mkdir "$dir"
  cp "$route" "$dir/route.txt"
  (cd "$dir" && printf '%s' "$answers" | timeout 300 "$@" route.txt >"$dir.out" 2>"$dir.err") ||
    status=$?
  echo "$status" >"$dir.status"
}

# The files a run wrote, one name a line, sorted.
outputs() { (cd "$1" && find . -mindepth 1 -maxdepth 1 ! -name route.txt -printf '%f\n' | LC_ALL=C sort); }

# Their extensions, one a line, sorted: names differ between runs only by the UTC time.
extensions() { outputs "$1" | sed -E 's/^.*\.([^.]*)$/\1/' | LC_ALL=C sort; }

passed=0
failed=0

# compare LABEL ROUTE ANSWERS: one Linux run and one Windows run, compared.
compare() {
  local label=$1 route=$2 answers=$3 attempt lin win problems=()
  for attempt in 1 2 3; do
    lin="$scratch/$label-linux-$attempt"
    win="$scratch/$label-windows-$attempt"
    run_in "$lin" "$route" "$answers" "$linux_exe"
    run_in "$win" "$route" "$answers" wine "$win_exe"
    # The names carry the UTC minute: a pair of runs that straddled a minute boundary
    # differs in its names, and in the file contents and messages that name the files.
    [ "$(outputs "$lin")" != "$(outputs "$win")" ] && [ "$(extensions "$lin")" = "$(extensions "$win")" ] ||
      break
    echo "   ($label: the runs straddled a minute; running both again)"
  done

  local lin_status win_status
  lin_status=$(cat "$lin.status")
  win_status=$(cat "$win.status")
  [ "$lin_status" = "$win_status" ] ||
    problems+=("exit status: Linux $lin_status, Windows $win_status")
  # The Windows console turns "\n" into CR LF; the words must be the same.
  if ! diff <(tr -d '\r' <"$lin.out") <(tr -d '\r' <"$win.out") >"$scratch/$label.outdiff"; then
    problems+=("console output differs:"$'\n'"$(head -20 "$scratch/$label.outdiff")")
  fi
  if [ "$(extensions "$lin")" != "$(extensions "$win")" ]; then
    problems+=("different files: Linux [$(outputs "$lin" | tr '\n' ' ')], Windows [$(outputs "$win" | tr '\n' ' ')]")
  elif [ -n "$(extensions "$lin" | uniq -d)" ]; then
    problems+=("several files share an extension: $(outputs "$lin" | tr '\n' ' ')")
  else
    local ext lf wf
    for ext in $(extensions "$lin"); do
      lf=$(outputs "$lin" | grep -E "\.$ext\$")
      wf=$(outputs "$win" | grep -E "\.$ext\$")
      cmp "$lin/$lf" "$win/$wf" >"$scratch/$label.cmp" 2>&1 ||
        problems+=(".$ext differs: $(cat "$scratch/$label.cmp")")
    done
  fi

  local files
  files=$(outputs "$lin" | tr '\n' ' ')
  if [ "${#problems[@]}" -eq 0 ]; then
    passed=$((passed + 1))
    echo "   same   $label: exit $lin_status, files: ${files:-none on either side}"
  else
    failed=$((failed + 1))
    echo "   DIFFER $label:"
    printf '      %s\n' "${problems[@]}"
    echo "      Linux stderr: $(head -c 500 "$lin.err")"
    echo "      Windows stderr: $(head -c 500 "$win.err")"
  fi
}

echo "== Linux and Windows programs on the same routes and answers"
# The example route as written on a Windows machine: CR LF line ends, a comment, tabs.
sed -e 's/[[:space:]]\+/\t/' -e '1s/$/  start of the survey/' -e 's/$/\r/' examples/route.txt \
  >"$scratch/route_crlf.txt"
printf '45 10\n45.05\tinf\n' >"$scratch/route_bad.txt"

compare example-answers-1 examples/route.txt $'0\nn\n50\nn\n'
compare example-answers-2 examples/route.txt $'0\ny\n0\ny\n'
compare crlf-route "$scratch/route_crlf.txt" $'0\nn\n50\nn\n'
compare invalid-waypoint "$scratch/route_bad.txt" $'0\nn\n50\nn\n'

echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
