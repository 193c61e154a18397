#!/usr/bin/env bash
# The shape of the source tree, checked as the tests run: a newcomer finds each subsystem in
# a folder of its own, each file short enough to read whole, and includes that only run down
# the layers. The five modules of the mission utility itself stay at src/: calcs is the
# geodesy every layer may use (its toolkit, which reads the settings, sits on top with the
# driver, the list, the dialogue and the writers).
# What the house still owes is listed in tests/layout/owed.txt, one fault a line: a fault
# not listed fails, and so does a listed one that is gone, so that the list only shrinks.
# Usage: checkLayout.sh REPOSITORY
set -u
cd "$1" || exit 2
found=$(mktemp)
fault() { echo "$*" >>"$found"; }

sources=$(find src -name '*.cpp' -o -name '*.h' | sort)

# Files short enough to read whole.
for f in $sources; do
  lines=$(wc -l <"$f")
  [ "$lines" -le 400 ] || fault "$f has $lines lines, more than 400"
done

# The layer of a file: its folder, or for the modules at src/ "calcs" or "top".
layer() {
  case $1 in
    src/calcs.h | src/calcs.cpp) echo calcs ;;
    src/*/*) local d=${1#src/}; echo "${d%%/*}" ;;
    *) echo top ;;
  esac
}
top_headers='settings\.h|wptList\.h|vesk\.h|vesk_user_if\.h|writeMission\.h'

edges=$(mktemp)
trap 'rm -f "$edges" "$found"' EXIT
for f in $sources; do
  from=$(layer "$f")
  while read -r included; do
    [ -n "$included" ] || continue
    [ -f "src/$included" ] || continue
    to=$(layer "src/$included")
    [ "$from" = "$to" ] || echo "$from $to" >>"$edges"
    if [ "$from" != top ] && [ "$from" != calcs ] && [ "$to" = top ]; then
      fault "$f includes $included: a subsystem takes the mission as arguments, not from the driver's modules"
    fi
  done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$f")
  if [ "$(layer "$f")" != top ] && [ "$(layer "$f")" != calcs ] && grep -q -E '\b(headNodePtr|tailNodePtr)\b' "$f"; then
    fault "$f reads the waypoint list directly"
  fi
done

# No circles between the folders.
if ! sort -u "$edges" | tsort >/dev/null 2>"$edges.loop"; then
  sed -n 's/^tsort: \([^-].*\)$/\1/p' "$edges.loop" | sort -u | while read -r folder; do
    fault "$folder is on a circle of folders that include each other"
  done
fi
rm -f "$edges.loop"

owed=tests/layout/owed.txt
new=$(sort -u "$found" | comm -23 - <(grep -v '^#' "$owed" | sort -u))
paid=$(grep -v '^#' "$owed" | sort -u | comm -23 - <(sort -u "$found"))
[ -z "$new" ] || sed 's/^/layout: /' <<<"$new"
[ -z "$paid" ] || sed "s|^|layout: no longer so, take it off $owed: |" <<<"$paid"
echo "layout: $(sort -u "$found" | wc -l) faults, all of them owed" | { [ -z "$new$paid" ] && cat || true; }
[ -z "$new$paid" ]
