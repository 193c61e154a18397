#!/usr/bin/env bash
# Windows build: cross-compiles vesk.exe with MinGW-w64, runs its unit tests and the fuzz
# corpus under Wine, then runs the Linux program (./build/vesk, built by .ci/run) and the
# Windows program on the same routes with the same operator answers and checks that they
# write byte-identical files, print the same messages and exit alike. An operator must get
# the same mission from either machine.
set -euo pipefail
cd "$(dirname "$0")/.."
export CI="${CI:-true}"
. .ci/common.sh
# A build that breaks counts as a failure of the unit tests it was to run.
begin_stage "Windows unit tests under Wine"

# The route and map libraries for both builds, the dive brief's nettle and mustache
# template library; dpkg-dev for apt-get source, which fetches the pugixml, GeographicLib,
# minizip, nettle and libtiff sources the cross build compiles; GDAL, which writes a
# GeoTIFF for the two programs to read.
install_missing cmake ninja-build g++ libgtest-dev g++-mingw-w64-x86-64-posix googletest \
  wine wine64 libpugixml-dev nlohmann-json3-dev libcli11-dev libgeographiclib-dev libminizip-dev zlib1g-dev \
  libz-mingw-w64-dev libtomlplusplus-dev libboost-dev libtiff-dev dpkg-dev gdal-bin nettle-dev libkainjow-mustache-dev

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vesk-windows.XXXXXX")
on_stage_exit 'stop_wine; rm -rf "$scratch"'

echo "== cross build for Windows (MinGW-w64)"
windows_build fresh
win_exe="$PWD/build-windows/vesk.exe"

# The operator copies vesk.exe alone: it may need no DLL beyond those of Windows itself.
mingw_dlls=$(x86_64-w64-mingw32-objdump -p "$win_exe" | awk '/DLL Name:/ {print $3}' |
  grep -iE '^(libstdc\+\+|libgcc|libwinpthread)' || true)
if [ -n "$mingw_dlls" ]; then stop_stage "vesk.exe needs MinGW runtime DLLs: $mingw_dlls"; fi

start_wine "$scratch"

echo "== Windows unit tests under Wine"
# Run directly rather than through ctest, which sees the one program as one test: the
# count of test cases is what the closing line reports.
wine_log="$scratch/wine-tests.log"
wine_tests=0
(cd build-windows/tests && timeout 900 wine ./vesk_tests.exe </dev/null) 2>&1 | tr -d '\r' | tee "$wine_log" ||
  wine_tests=1
wine_passed=$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\.$/\1/p' "$wine_log")
wine_failed=$(sed -nE 's/^\[  FAILED  \] ([0-9]+) tests?, listed below:$/\1/p' "$wine_log")
if [ -z "$wine_passed" ] && [ -z "$wine_failed" ]; then wine_failed=1; fi
if [ "$wine_tests" -ne 0 ] && [ "${wine_failed:-0}" -eq 0 ]; then wine_failed=1; fi
passed=${wine_passed:-0}
failed=${wine_failed:-0}

# Every seed of the fuzz corpus through the fuzz checks, as the Linux test suite runs them.
echo "== the fuzz corpus under Wine"
replay_log="$scratch/wine-corpus.log"
(cd build-windows/tests && timeout 900 wine ./vesk_corpus_replay.exe </dev/null) 2>&1 | tr -d '\r' >"$replay_log" ||
  wine_tests=1
grep -E '^(FAILED|fuzz corpus:)' "$replay_log" || true
replay_passed=$(sed -nE 's/^fuzz corpus: ([0-9]+) passed, ([0-9]+) failed$/\1/p' "$replay_log")
replay_failed=$(sed -nE 's/^fuzz corpus: ([0-9]+) passed, ([0-9]+) failed$/\2/p' "$replay_log")
if [ -z "$replay_passed" ]; then replay_failed=1; fi
passed=$((passed + ${replay_passed:-0}))
failed=$((failed + ${replay_failed:-0}))
next_stage "Windows comparisons"

ensure_linux_build
linux_exe="$PWD/build/vesk"

# The options compare passes to both programs, before the route file.
options=()
# How compare hands the route over: its name in the run directory (empty: route.EXT, EXT
# that of the route file, as the program tells CSV files by their name) and "argument",
# "typed" (at the file-name prompt) or "quoted" (typed in double quotes, as Windows
# "Copy as path" gives it).
route_name=
route_given=argument
# A folder compare creates in the run directory and names with -o, when not empty.
output_folder=

# run_in DIR ROUTE ANSWERS PROGRAM...: runs the program with the options in the fresh
# directory DIR on a copy of ROUTE, with the operator answers on standard input.
run_in() {
  local dir=$1 route=$2 answers=$3 status=0 name arguments=()
  shift 3
  name=${route_name:-route.${route##*.}}
  mkdir "$dir"
  cp "$route" "$dir/$name"
  printf '%s' "$name" >"$dir.route"
  if [ -n "$output_folder" ]; then
    mkdir "$dir/$output_folder"
    arguments=(-o "$output_folder")
  fi
  case $route_given in
    argument) arguments+=("$name") ;;
    typed) answers="$name"$'\n'"$answers" ;;
    quoted) answers="\"$name\""$'\r\n'"$answers" ;;
  esac
  (cd "$dir" && printf '%s' "$answers" |
    timeout 300 "$@" "${options[@]}" "${arguments[@]}" >"$dir.out" 2>"$dir.err") ||
    status=$?
  echo "$status" >"$dir.status"
}

# The files a run wrote (all but the route copy), one path a line, sorted.
outputs() { (cd "$1" && find . -type f ! -path "./$(cat "$1.route")" -printf '%P\n' | LC_ALL=C sort); }

# A file's name with the plan's stem, the UTC time, made STEM: 2026_343_1510-2.cfg is
# STEM-2.cfg. Names differ between runs only by the time.
unstemmed() { sed -E 's#(^|/)[0-9]+_[0-9]+_[0-9]+([-.])#\1STEM\2#'; }

# The files a run wrote, unstemmed, one a line, sorted.
suffixes() { outputs "$1" | unstemmed | LC_ALL=C sort; }

# file_named DIR NAME: the file of the run in DIR whose unstemmed name is NAME.
file_named() {
  local file
  while IFS= read -r file; do
    [ "$(printf '%s\n' "$file" | unstemmed)" != "$2" ] || printf '%s\n' "$file"
  done < <(outputs "$1")
}

# compare LABEL ROUTE ANSWERS [OPTION...]: one Linux run and one Windows run, compared.
compare() {
  local label=$1 route=$2 answers=$3 attempt lin win problems=()
  shift 3
  options=("$@")
  for attempt in 1 2 3; do
    lin="$scratch/$label-linux-$attempt"
    win="$scratch/$label-windows-$attempt"
    run_in "$lin" "$route" "$answers" "$linux_exe"
    run_in "$win" "$route" "$answers" wine "$win_exe"
    # The names carry the UTC minute: a pair of runs that straddled a minute boundary
    # differs in its names, and in the file contents and messages that name the files.
    [ "$(outputs "$lin")" != "$(outputs "$win")" ] && [ "$(suffixes "$lin")" = "$(suffixes "$win")" ] ||
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
  if ! diff <(tr -d '\r' <"$lin.err") <(tr -d '\r' <"$win.err") >"$scratch/$label.errdiff"; then
    problems+=("error output differs:"$'\n'"$(head -20 "$scratch/$label.errdiff")")
  fi
  if [ "$(suffixes "$lin")" != "$(suffixes "$win")" ]; then
    problems+=("different files: Linux [$(outputs "$lin" | tr '\n' ' ')], Windows [$(outputs "$win" | tr '\n' ' ')]")
  elif [ -n "$(suffixes "$lin" | uniq -d)" ]; then
    problems+=("several files share a name but for the time: $(outputs "$lin" | tr '\n' ' ')")
  else
    local name ext lf wf
    while IFS= read -r name; do
      ext=${name##*.}
      lf=$(file_named "$lin" "$name")
      wf=$(file_named "$win" "$name")
      if [[ " ${near_extensions:-} " == *" $ext "* ]]; then
        # A route for review holds every digit of its doubles, and the two C libraries'
        # sines and arc tangents may differ in the last of them: the same positions
        # within 1e-9 degrees (0.1 mm), line by line.
        paste -d ' ' "$lin/$lf" "$win/$wf" | tr -d '\r' |
          awk '{ if (NF != 4 || ($1 - $3) ^ 2 > 1e-18 || ($2 - $4) ^ 2 > 1e-18) bad = 1 } END { exit bad }' ||
          problems+=(".$ext differs by more than 1e-9 degrees")
      else
        cmp "$lin/$lf" "$win/$wf" >"$scratch/$label.cmp" 2>&1 ||
          problems+=("$name differs: $(cat "$scratch/$label.cmp")")
      fi
    done < <(suffixes "$lin")
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
# The example route as a planning program or a chart plotter would export it: a KML path
# (longitude first), a GPX 1.1 route with CR LF line ends, a GeoJSON LineString and a CSV
# file with a header row and semicolons.
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n'
  printf '<kml xmlns="http://www.opengis.net/kml/2.2">\n<Document>\n<Placemark>\n'
  printf '<name>survey</name>\n<LineString>\n<coordinates>\n'
  awk 'NF >= 2 {printf "  %s,%s,0\n", $2, $1}' examples/route.txt
  printf '</coordinates>\n</LineString>\n</Placemark>\n</Document>\n</kml>\n'
} >"$scratch/route.kml"
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n'
  printf '<gpx version="1.1" creator="vesk CI" xmlns="http://www.topografix.com/GPX/1/1">\n'
  printf '  <rte>\n    <name>survey</name>\n'
  awk 'NF >= 2 {printf "    <rtept lat=\"%s\" lon=\"%s\"><name>WP%d</name></rtept>\n", $1, $2, NR}' \
    examples/route.txt
  printf '  </rte>\n</gpx>\n'
} | sed 's/$/\r/' >"$scratch/route.gpx"
{
  printf '{"type": "Feature", "properties": {"name": "survey"},\n'
  printf ' "geometry": {"type": "LineString", "coordinates": [\n'
  awk 'NF >= 2 {printf "%s  [%s, %s]", (n++ ? ",\n" : ""), $2, $1} END {print ""}' examples/route.txt
  printf ']}}\n'
} >"$scratch/route.geojson"
{
  printf 'name;latitude;longitude\n'
  awk 'NF >= 2 {printf "WP%d;%s;%s\n", NR, $1, $2}' examples/route.txt
} >"$scratch/route.csv"

compare example-answers-1 examples/route.txt $'0\nn\n50\nn\n'
compare example-answers-2 examples/route.txt $'0\ny\n0\ny\n'
compare crlf-route "$scratch/route_crlf.txt" $'0\nn\n50\nn\n'
compare invalid-waypoint "$scratch/route_bad.txt" $'0\nn\n50\nn\n'
# The maps of the planned route, and the routes read from the other formats.
compare example-maps examples/route.txt $'0\nn\n50\nn\n' --map kml,gpx,geojson,svg
# The dive brief: its checksums, clock times across midnight in a zone west of UTC and the
# team's checklist, the same bytes from either machine.
compare example-brief examples/route.txt $'0\nn\n50\nn\n' --map svg,html --launch-time 2026-12-31T23:00:00-03:30 \
  --checklist "$PWD/examples/checklist.txt"
compare example-maps-yoyo examples/route.txt $'4 2000\n0\ny\n0\ny\n' --map kml --map gpx --map geojson --map svg
compare kml-route "$scratch/route.kml" $'0\nn\n50\nn\n'
compare gpx-route "$scratch/route.gpx" $'0\nn\n50\nn\n' --map gpx
compare geojson-route "$scratch/route.geojson" $'0\nn\n50\nn\n' --map geojson
compare csv-route "$scratch/route.csv" $'0\nn\n50\nn\n' --map kml
compare unknown-map-format examples/route.txt $'0\nn\n50\nn\n' --map shp
# Long legs at high latitude and across the antimeridian: the pieces on their great circles.
printf '70 -20\n70 -18\n70 0\n10 179.9\n10 -179.9\n' >"$scratch/route_long.txt"
compare long-legs "$scratch/route_long.txt" $'0\nn\n50\nn\n' --map geojson,svg
# Positions with hemisphere letters, the equator and a pole; editors that ask again.
printf '0 30.5 N 10 15.2 E\n0\xc2\xb033'"'"'N 10\xc2\xb017.5'"'"'E\n0 10.3\n0:01:30S 10:20:00E\n' \
  >"$scratch/route_dms.txt"
compare dms-and-equator "$scratch/route_dms.txt" $'9\n10m\n10\n0\nn\n95\nn\n'
printf '90 0\n89.9 10\n' >"$scratch/route_pole.txt"
compare pole-start "$scratch/route_pole.txt" $'4 0.001\n1000\n0\ny\n0\nn\n' --map geojson,svg
# The picture of a dense survey, whose marks and labels are thinned and whose timer ends
# the mission first, and of a route over half the earth, in the equidistant projection.
awk 'BEGIN { for (i = 0; i < 10000; i++) { l = int(i / 100); a = (l % 2) ? 99 - i % 100 : i % 100; printf "%.4f %.3f\n", 44 + 0.0009 * l, 10 + 0.001 * a } }' \
  >"$scratch/route_survey.txt"
compare survey-picture "$scratch/route_survey.txt" $'0\ny\n0\nn\n' --map svg
printf '0 0\n0 170\n60 -100\n' >"$scratch/route_wide.txt"
compare wide-picture "$scratch/route_wide.txt" $'4 5000000\n0\nn\n50\nn\n' --map svg
# A survey laid out in the example area (--area takes the file name given last), its
# route written for review and its picture (the mission files byte for byte, the route's
# positions to 0.1 mm); an area that crosses itself.
near_extensions=txt compare survey-area examples/area.kml $'4\n3000\n0\ny\n0\nn\n' --swath-width 120 --overlap 20 --cross-lines 2 \
  --write-route lines.txt --map svg --area
printf '45 10\n45 10.02\n45.01 10.005\n45.01 10.015\n' >"$scratch/area_crossing.txt"
compare area-crossing "$scratch/area_crossing.txt" $'0\ny\n0\nn\n' --line-spacing 50 --area
# Route files as other tools save them: a KMZ, UTF-16 text and KML, and a map of this
# program across 180° read back as its route (fuzz seeds; the Windows build's own minizip).
compare kmz-route fuzz/corpus/kml_gpx/kmz-doc.kmz $'0\nn\n50\nn\n' --map kml
compare utf16-text fuzz/corpus/route/utf16le-crlf.txt $'0\nn\n50\nn\n'
compare utf16-kml fuzz/corpus/kml_gpx/utf16le.kml $'0\nn\n50\nn\n'
compare own-map-across-180 fuzz/corpus/kml_gpx/own-map-across-180.kml $'0\nn\n50\nn\n' --map kml,geojson
# The example survey checked against the seabed, from the Esri ASCII grid and from the same
# grid as a tiled, LZW-compressed GeoTIFF (GDAL writes it here; the Windows build reads it
# with its own libtiff), with the seabed drawn in the picture.
compare seabed-ascii examples/area.kml $'4\n3000\n0\ny\n0\nn\n' --swath-width 120 --overlap 20 \
  --bathymetry "$PWD/examples/seabed.asc" --map svg --area
gdal_translate -q -a_srs EPSG:4326 -ot Int16 -co TILED=YES -co COMPRESS=LZW examples/seabed.asc "$scratch/seabed.tif"
compare seabed-geotiff examples/area.kml $'4\n3000\n0\ny\n0\nn\n' --swath-width 120 --overlap 20 \
  --bathymetry "$scratch/seabed.tif" --map svg --area
# The example survey split into dives by the timer and the battery: every dive's files,
# maps and picture.
compare survey-in-dives examples/area.kml $'0\ny\n0\nn\n' --swath-width 120 --overlap 20 --max-dive-hours 6 \
  --set batteryWh=1500 --set hotelWatts=8 --set propulsionWatts=135 --map svg,kml --area

# Text from the file that would drive the terminal, shown escaped alike on both systems.
printf '45 10\n45.1 10W\033]0;pwned\007\033[2J\n' >"$scratch/route_hostile.txt"
compare hostile-text "$scratch/route_hostile.txt" $'0\nn\n50\nn\n'
printf '{"type": "LineStr\\ng", "coordinates": []}\n' >"$scratch/route_type.geojson"
compare hostile-geojson-type "$scratch/route_type.geojson" $'0\nn\n50\nn\n'
# A mission without questions from a settings file and --set, and the settings it keeps.
compare settings-no-input examples/route.txt '' --settings "$PWD/examples/settings.toml" --set abortDepth=110 \
  --set missionSpeed=1.3 --set yoyoMission=false --set wayPointDepth=25 --set kallopMission=1 \
  --set surfacingAllowance=30 --no-input --save-settings saved.toml

# Operators name files in their own language: names beyond any legacy code page, given as
# the argument, typed at the prompt, and pasted with the quotes of "Copy as path".
route_name="route Δ.txt" compare unicode-argument examples/route.txt $'0\nn\n50\nn\n'
route_name="маршрут.txt" route_given=typed compare unicode-typed examples/route.txt $'0\nn\n50\nn\n'
route_name="航路 1.txt" route_given=quoted compare unicode-quoted examples/route.txt $'0\nn\n50\nn\n'
output_folder="Δ выход" compare unicode-output-folder examples/route.txt $'0\nn\n50\nn\n' --map gpx

# verdict LABEL DETAIL: counts a check that found the problems listed in the array
# problems (none: passed).
verdict() {
  if [ "${#problems[@]}" -eq 0 ]; then
    passed=$((passed + 1))
    echo "   passed $1: $2"
  else
    failed=$((failed + 1))
    printf "   FAILED $1: %s\n" "${problems[@]}"
  fi
}

# Two Windows runs writing one set into one folder at the same moment: each file whole and
# the set from one route, or a run that fails cleanly.
echo "== two Windows runs at once in one folder"
survey() { awk -v lat="$1" 'BEGIN { for (i = 0; i < 20000; i++) { l = int(i / 100); a = (l % 2) ? 99 - i % 100 : i % 100; printf "%.4f %.3f\n", lat + 0.0009 * l, 10 + 0.001 * a } }'; }
survey 44 >"$scratch/south.txt"
survey 54 >"$scratch/north.txt"
together="$scratch/together"
mkdir "$together"
(cd "$together" && printf '0\ny\n0\nn\n' | wine "$win_exe" ../south.txt >../south.out 2>&1) &
(cd "$together" && printf '0\ny\n0\nn\n' | wine "$win_exe" ../north.txt >../north.out 2>&1) &
wait
problems=()
[ -z "$(find "$together" -name '*.tmp' -o -name '*.old' -o -name '.vesk-journal*')" ] ||
  problems+=("temporary files left behind")
# The set named first, when both succeed, is kept as NAME.~1~: each set must be whole.
for cfg in "$together"/*.cfg "$together"/*.cfg.~1~; do
  [ -e "$cfg" ] || continue
  case $cfg in
    *.~1~) stem=${cfg%.cfg.~1~} kept=.~1~ ;;
    *) stem=${cfg%.cfg} kept= ;;
  esac
  routes=$(cat "$stem.cfg$kept" "$stem.wpt$kept" "$stem.pts$kept" | grep -oE '(44|54)\.[0-9]' | cut -c1-2 | sort -u |
    tr '\n' ' ')
  [ "$routes" = "44 " ] || [ "$routes" = "54 " ] || problems+=("$(basename "$cfg") mixes routes: $routes")
done
verdict "two runs at once" "$(cd "$together" && ls | tr '\n' ' ')"

# A second Windows run in the same minute keeps the first set under numbered backups,
# byte for byte, and names them in a warning.
echo "== an earlier set kept by a second Windows run"
for attempt in 1 2 3; do
  again="$scratch/again-$attempt"
  mkdir "$again"
  cp examples/route.txt "$again/route.txt"
  (cd "$again" && printf '0\nn\n50\nn\n' | wine "$win_exe" route.txt >first.out 2>first.err)
  mkdir "$again/first"
  cp "$again"/*.cfg "$again"/*.wpt "$again"/*.pts "$again/first/"
  (cd "$again" && printf '0\nn\n70\nn\n' | wine "$win_exe" route.txt >second.out 2>second.err)
  [ "$(ls "$again" | grep -c '\.~1~$')" = 3 ] && break
  echo "   (the runs straddled a minute; running both again)"
done
problems=()
for kept in "$again"/first/*; do
  cmp -s "$kept" "$again/$(basename "$kept").~1~" || problems+=("$(basename "$kept") is not kept byte for byte")
done
grep -q '^warning: the earlier set .* is kept as .*\.cfg\.~1~' "$again/second.err" ||
  problems+=("no warning names the backups: $(tr -d '\r' <"$again/second.err" | head -3)")
[ -z "$(find "$again" -name '*.tmp' -o -name '.vesk-journal*')" ] || problems+=("temporary files or a journal left")
verdict "earlier set kept" "$(cd "$again" && ls | tr '\n' ' ')"

# The Windows program at a console: Wine gives a program in a pseudo-terminal a console,
# so the name is typed as an operator types it (read as UTF-16 from the console) and the
# sampler reminder waits in _getch for a key, and for nothing else.
echo "== the Windows program at a console (Wine in a pseudo-terminal)"
console="$scratch/console"
mkdir "$console"
cp examples/route.txt "$console/маршрут.txt"
mkfifo "$console.in"
# The status is written however the run ends: under set -e a failing command would end the
# subshell before it could say how the program ended.
(cd "$console" && {
  status=0
  timeout 240 script -qfec "wine '$win_exe'" /dev/null <"$console.in" >"$console.log" 2>&1 || status=$?
  echo "$status" >"$console.status"
}) &
exec 7>"$console.in"
# How often the console has shown TEXT, without its cursor movements and blanks (Wine draws
# blanks by moving the cursor).
times_shown() {
  sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' "$console.log" | tr -d ' \r\n' | grep -o -- "$1" | wc -l || true
}
shown() { [ "$(times_shown "$1")" -ge "${2:-1}" ]; }
wait_until() {
  local i
  for i in $(seq 1200); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}
problems=()
# Each answer is typed once its question is on the screen, as an operator types it: typed
# ahead, an answer may reach the console while the program reads a single key.
answer() {
  if wait_until shown "$1" "${3:-1}"; then
    printf '%b' "$2" >&7
  else
    problems+=("no prompt \"$1\"")
    return 1
  fi
}
if answer "nameofthewaypointfile" 'маршрут.txt\r' &&
  answer "IfparametersareOK,type0" '0\r' &&
  answer "PleaseenterYorN" 'n\r' 1 &&
  answer "Pleaseenternewdepth" '50\r' &&
  answer "PleaseenterYorN" 'y\r' 2; then
  if wait_until shown "Hitanykeytocontinue"; then
    sleep 3
    [ ! -f "$console.status" ] || problems+=("the run did not wait for a key")
    printf 'x' >&7
  else
    problems+=("no sampler reminder")
  fi
fi
wait_until test -s "$console.status" || problems+=("the run did not end")
exec 7>&-
wait
[ "$(cat "$console.status" 2>/dev/null || true)" = 0 ] ||
  problems+=("exit status $(cat "$console.status" 2>/dev/null || echo none)")
[ "$(find "$console" -name '*.cfg' -o -name '*.wpt' -o -name '*.pts' | wc -l)" = 3 ] ||
  problems+=("files: $(ls "$console" | tr '\n' ' ')")
[ "${#problems[@]}" -eq 0 ] || sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' "$console.log" | tail -40
verdict "console run" "typed name, key wait, $(cd "$console" && ls | tr '\n' ' ')"

finish_stage
[ "$failed" -eq 0 ] && [ "$wine_tests" -eq 0 ]
