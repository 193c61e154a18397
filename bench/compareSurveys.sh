#!/usr/bin/env bash
# Compares two builds of vesk on the survey areas of bench/areas: each area is laid out and
# planned by both as an operator runs it without questions, and what the vehicle would
# spend is set side by side: the lines, the surfacings, the time under way and at the
# surface, the share of the area the swaths cover, and how long each program took.
#
# Usage: bench/compareSurveys.sh OLD NEW [MANIFEST]
#   OLD, NEW   the two vesk programs
#   MANIFEST   the list of areas (default bench/areas/areas.txt): a line per area, its file
#              (beside the list), its kind (rectangle or other) and its survey options
#
# After the table: the median change of the total mission time over the areas of kind
# other, the largest change over the rectangles (where there is nothing to gain, only to
# lose), and the least coverage NEW gives. Exits 1 when a run fails or gives no survey
# summary, 2 on wrong arguments. Needs bash and awk only.
set -u
export LC_ALL=C

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 OLD NEW [MANIFEST]" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
manifest=${3:-$here/areas/areas.txt}
absolute() { case $1 in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
old=$(absolute "$1")
new=$(absolute "$2")
manifest=$(absolute "$manifest")
for program in "$old" "$new"; do
  if [ ! -x "$program" ]; then
    echo "$0: $program is not a program" >&2
    exit 2
  fi
done
if [ ! -r "$manifest" ]; then
  echo "$0: cannot read $manifest" >&2
  exit 2
fi
areas=$(dirname "$manifest")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/run"
results=$scratch/results

# The survey's figures from the summary on standard error: lines, surfacings, seconds
# under way, seconds at the surface, coverage in percent; nothing when there is none.
figures() {
  awk '
    function seconds(clock, parts) { split(clock, parts, ":"); return parts[1] * 3600 + parts[2] * 60 + parts[3] }
    { sub(/\r$/, "") }
    /^survey / { inSurvey = 1; next }
    inSurvey && /^  lines / { lines = $2 }
    inSurvey && /^  coverage / { coverage = $2 }
    inSurvey && /^  survey time / { underWay = seconds($3); surface = seconds($6); surfacings = $8 }
    END { if (lines != "" && coverage != "" && surfacings != "") print lines, surfacings, underWay, surface, coverage }
  ' "$1"
}

# Runs `program` on an area in the empty scratch folder; prints its figures and the wall
# time, or returns 1 and shows the end of what it said.
run() {
  local program=$1 file=$2 options=$3 start end found status
  rm -rf "$scratch/run" && mkdir "$scratch/run"
  start=$EPOCHREALTIME
  # shellcheck disable=SC2086  # the options are words of the manifest
  (cd "$scratch/run" && "$program" --area "$areas/$file" $options --no-input --set yoyoMission=0 \
    --set kallopMission=0 --set wayPointDepth=5 >"$scratch/out" 2>"$scratch/err")
  status=$?
  end=$EPOCHREALTIME
  found=$(figures "$scratch/err")
  if [ $status -ne 0 ] || [ -z "$found" ]; then
    echo "$0: $program on $file: exit status $status$([ -z "$found" ] && echo ", no survey summary")" >&2
    tail -n 5 "$scratch/err" >&2
    return 1
  fi
  echo "$found $(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')"
}

failed=0
: >"$results"
while read -r file kind options; do
  case $file in '' | '#'*) continue ;; esac
  if ! o=$(run "$old" "$file" "$options"); then
    failed=1
    o="-"
  fi
  if ! n=$(run "$new" "$file" "$options"); then
    failed=1
    n="-"
  fi
  echo "$file $kind $o | $n" >>"$results"
done <"$manifest"

awk -v oldName="$1" -v newName="$2" '
  function clock(s) { s = int(s + 0.5); return sprintf("%d:%02d:%02d", s / 3600, s / 60 % 60, s % 60) }
  function median(v, n,    i, j, t) {
    for (i = 2; i <= n; ++i) for (j = i; j > 1 && v[j - 1] > v[j]; --j) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
  }
  BEGIN {
    printf "old: %s\nnew: %s\n\n", oldName, newName
    printf "%-18s %-9s %11s %13s %19s %19s %19s %8s %15s %13s\n", "", "", "lines", "surfacings", "under way",
           "at the surface", "total", "total", "coverage %", "wall s"
    printf "%-18s %-9s %5s %5s %6s %6s %9s %9s %9s %9s %9s %9s %8s %7s %7s %6s %6s\n", "area", "kind", "old", "new",
           "old", "new", "old", "new", "old", "new", "old", "new", "change", "old", "new", "old", "new"
  }
  {
    split($0, half, / \| /)
    no = split(half[1], o, " "); nn = split(half[2], n, " ")
    if (no < 8 || nn < 6) {
      printf "%-18s %-9s %s\n", $1, $2, "a run failed: " (no < 8 ? "old" : "") (no < 8 && nn < 6 ? " and " : "") \
             (nn < 6 ? "new" : "")
      next
    }
    # o: file kind lines surfacings underWay surface coverage wall; n: the same from lines on.
    oldTotal = o[5] + o[6]; newTotal = n[3] + n[4]
    change = oldTotal > 0 ? 100 * (newTotal - oldTotal) / oldTotal : 0
    printf "%-18s %-9s %5d %5d %6d %6d %9s %9s %9s %9s %9s %9s %+7.1f%% %7.2f %7.2f %6.2f %6.2f\n", o[1], o[2], o[3],
           n[1], o[4], n[2], clock(o[5]), clock(n[3]), clock(o[6]), clock(n[4]), clock(oldTotal), clock(newTotal),
           change, o[7], n[5], o[8], n[6]
    if (o[2] == "rectangle") {
      if (rectangles == 0 || change > worstRectangle) { worstRectangle = change; worstRectangleName = o[1] }
      ++rectangles
    } else {
      others[++otherCount] = change
    }
    if (covered == 0 || n[5] + 0 < leastCoverage) { leastCoverage = n[5] + 0; leastCoverageName = o[1] }
    ++covered
  }
  END {
    print ""
    if (otherCount > 0) printf "median change of the total time, %d other areas: %+.1f %%\n", otherCount, median(others, otherCount)
    if (rectangles > 0) {
      printf "largest change of the total time, %d rectangles: %+.1f %% (%s)\n", rectangles, worstRectangle,
             worstRectangleName
    }
    if (covered > 0) printf "least coverage of new: %.2f %% (%s)\n", leastCoverage, leastCoverageName
  }
' "$results"

exit $failed
