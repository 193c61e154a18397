# Helpers shared by the CI scripts; sourced, not run.

# What a build and the test suite need: the compiler and build tools, GoogleTest, the
# route, position, map, zip, geometry and command-line libraries, gdal-bin, whose ogrinfo
# reads the map files back in the tests as an independent reader, and librsvg2-bin, whose
# rsvg-convert must draw the picture of the plan. The README's first command installs the same.
build_packages=(cmake ninja-build g++ libgtest-dev libpugixml-dev nlohmann-json3-dev libcli11-dev
  libgeographiclib-dev libminizip-dev zlib1g-dev libtomlplusplus-dev libboost-dev libtiff-dev gdal-bin librsvg2-bin
  nettle-dev libkainjow-mustache-dev)

# Installs the Debian packages named that are not installed yet. Installing needs root; a
# developer's machine that has them all needs nothing.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    if [ "$(id -u)" != 0 ]; then
      echo "== these packages are missing and installing them needs root: ${missing[*]}" >&2
      echo "   run the CI scripts as root (sudo bash .ci/run), or install them first" >&2
      return 1
    fi
    echo "== installing ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
  fi
}

# The Linux build that .ci/run makes, brought up to date: the program and the compressed
# manual page and changelog that an install needs. A stage script run on its own in a fresh
# clone makes it.
ensure_linux_build() {
  if [ ! -f build/build.ninja ]; then
    echo "== configuring the Linux build in build"
    cmake -S . -B build -G Ninja
  fi
  cmake --build build --target vesk vesk_docs
}

# Debian ships pugixml, GeographicLib, minizip and libtiff built for the host only, so the
# cross build compiles them from their Debian source packages, unpacked into
# build-windows/NAME-src (and kept when the cross build starts afresh: no download on re-runs).
# The deb-src entries the CI scripts add live in a file of their own; apt's other files are
# only read.
deb_src_file=/etc/apt/sources.list.d/vesk-deb-src.sources

# deb_src_stanzas ETC CODENAME: prints, in apt's deb822 format, a deb-src entry for every
# Debian source of release CODENAME (and its -updates, -security, ... suites) that apt's
# configuration under ETC installs binary packages from, in either of apt's formats: the
# one-line entries of sources.list and sources.list.d/*.list, and the stanzas of
# sources.list.d/*.sources. Any of these files may be missing.
deb_src_stanzas() {
  local etc=$1 codename=$2 f
  local one_line=() deb822=()
  for f in "$etc/sources.list" "$etc"/sources.list.d/*.list; do
    if [ -f "$f" ]; then one_line+=("$f"); fi
  done
  for f in "$etc"/sources.list.d/*.sources; do
    if [ -f "$f" ] && [ "$f" != "$etc/sources.list.d/${deb_src_file##*/}" ]; then deb822+=("$f"); fi
  done
  if [ "${#one_line[@]}" -gt 0 ]; then
    # deb [ options ] URI SUITE COMPONENT...; the options may hold blanks inside the brackets.
    awk -v release="$codename" '
      { sub(/#.*/, "") }
      $1 == "deb" {
        line = $0; sub(/^[ \t]*deb[ \t]+/, "", line); signed = ""
        if (line ~ /^\[/) {
          options = substr(line, 2, index(line, "]") - 2); line = substr(line, index(line, "]") + 1)
          if (match(options, /signed-by=[^ \t]+/)) signed = substr(options, RSTART + 10, RLENGTH - 10)
        }
        n = split(line, f, /[ \t]+/); i = (f[1] == "" ? 2 : 1)
        if (f[i + 1] !~ ("^" release "(-[a-z]+)?$")) next
        components = ""; for (j = i + 2; j <= n; j++) if (f[j] != "") components = components " " f[j]
        printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:%s\n", f[i], f[i + 1], components
        if (signed != "") printf "Signed-By: %s\n", signed
        printf "\n"
      }' "${one_line[@]}"
  fi
  if [ "${#deb822[@]}" -gt 0 ]; then
    # Each stanza of binary packages again, for sources: its Types and Suites rewritten,
    # every other field (continuation lines included) kept.
    awk -v release="$codename" '
      function flush(   k) {
        if (binary && enabled && suites != "") {
          printf "Types: deb-src\nSuites:%s\n", suites
          for (k = 1; k <= kept; k++) print field[k]
          printf "\n"
        }
        binary = 0; enabled = 1; suites = ""; kept = 0
      }
      BEGIN { enabled = 1 }
      FNR == 1 { flush() }
      /^[ \t]*#/ { next }
      /^[ \t]*$/ { flush(); next }
      /^Types:/ { binary = (" " substr($0, 7) " ") ~ /[ \t]deb[ \t]/; next }
      /^Suites:/ { for (k = 2; k <= NF; k++) if ($k ~ ("^" release "(-[a-z]+)?$")) suites = suites " " $k; next }
      /^Enabled:/ { enabled = ($2 != "no"); next }
      { field[++kept] = $0 }
      END { flush() }' "${deb822[@]}"
  fi
}

# Lets apt-get source find source packages: adds deb-src entries for the Debian mirrors and
# suites of this release that apt already installs from.
enable_debian_sources() {
  if apt-cache showsrc pugixml 2>/dev/null | grep -q '^Package: pugixml$'; then return 0; fi
  local codename stanzas
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "== adding deb-src entries for $codename to $deb_src_file"
  stanzas=$(deb_src_stanzas /etc/apt "$codename")
  if [ -z "$stanzas" ]; then
    echo "apt installs from no Debian source of $codename: cannot add deb-src entries" >&2
    return 1
  fi
  printf '%s\n' "$stanzas" >"$deb_src_file"
  # An earlier version of these scripts kept one-line entries beside it.
  rm -f /etc/apt/sources.list.d/vesk-deb-src.list
  cat "$deb_src_file"
  apt-get update
}

# fetch_debian_source NAME FILE: unpacks the Debian source package NAME into
# build-windows/NAME-src unless it is there already, and sets source_dir to the unpacked
# folder, the one that holds FILE.
fetch_debian_source() {
  local root=build-windows/$1-src found version
  found=$(compgen -G "$root/$1-*/$2" | head -n 1 || true)
  if [ -z "$found" ]; then
    echo "== fetching the $1 source package into $root"
    enable_debian_sources
    rm -rf "$root"
    mkdir -p "$root"
    # Root downloads itself: apt's unprivileged user may not write into the build tree.
    # A mirror may list a security update's source that it does not serve: then the
    # newest version it does serve, so that the build still matches a Debian release.
    if ! (cd "$root" && apt-get -o APT::Sandbox::User=root source "$1" </dev/null); then
      for version in $(apt-cache showsrc "$1" | awk '/^Version:/ {print $2}' | sort -rV | uniq); do
        rm -rf "${root:?}"/*
        echo "== trying $1=$version"
        if (cd "$root" && apt-get -o APT::Sandbox::User=root source "$1=$version" </dev/null); then break; fi
      done
    fi
    found=$(compgen -G "$root/$1-*/$2" | head -n 1)
  fi
  source_dir=${found%/"$2"}
}

# The MinGW-w64 cross build in build-windows, warnings as errors. With "fresh" it is
# rebuilt from scratch (keeping the downloaded sources), otherwise only brought up to date.
windows_build() {
  if [ "${1:-}" = fresh ] && [ -d build-windows ]; then
    find build-windows -mindepth 1 -maxdepth 1 ! -name '*-src' -exec rm -rf {} +
  fi
  local pugixml_dir geographiclib_dir minizip_dir nettle_dir
  fetch_debian_source pugixml src/pugixml.cpp
  pugixml_dir=$source_dir
  fetch_debian_source geographiclib src/DMS.cpp
  geographiclib_dir=$source_dir
  fetch_debian_source minizip unzip.c
  minizip_dir=$source_dir
  fetch_debian_source nettle sha256.c
  nettle_dir=$source_dir
  fetch_debian_source tiff libtiff/tiffio.h
  cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DVESK_WERROR=ON -DVESK_PUGIXML_SOURCE_DIR="$PWD/$pugixml_dir" \
    -DVESK_GEOGRAPHICLIB_SOURCE_DIR="$PWD/$geographiclib_dir" -DVESK_MINIZIP_SOURCE_DIR="$PWD/$minizip_dir" \
    -DVESK_NETTLE_SOURCE_DIR="$PWD/$nettle_dir" -DVESK_TIFF_SOURCE_DIR="$PWD/$source_dir"
  cmake --build build-windows
}

# A private Wine prefix under $1 for running the Windows build without a display, a
# terminal or standard input. Its wineserver is stopped by stop_wine.
start_wine() {
  export WINEPREFIX="$1/wineprefix" WINEARCH=win64 WINEDEBUG=-all
  # No Mono or Gecko install prompts, no desktop menu entries.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  unset DISPLAY WAYLAND_DISPLAY
  local start end
  start=$(date +%s%N)
  if ! timeout 600 wineboot --init </dev/null >"$1/wineboot.log" 2>&1; then
    cat "$1/wineboot.log"
    echo "wineboot failed" >&2
    return 1
  fi
  end=$(date +%s%N)
  echo "== Wine prefix ready in $(( (end - start) / 1000000 )) ms ($(wine --version 2>/dev/null))"
}

stop_wine() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
  fi
}

# tally LABEL PASSED FAILED [NOTE]: adds a stage's counts to the file named by VESK_TALLY,
# which .ci/run sums into its closing line; prints them either way. NOTE says why a stage
# stopped early.
tally() {
  echo "$1: $2 passed, $3 failed${4:+ ($4)}"
  if [ -n "${VESK_TALLY:-}" ]; then printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "${4:-}" >>"$VESK_TALLY"; fi
}

# ---- Stage scripts that stop early ----
# A stage script counts its checks in `passed` and `failed` under `stage_label` and tallies
# them with finish_stage. When a command fails and ends the script (set -e) or the script
# gives up with stop_stage, the place, the command and its status are printed and tallied
# with the counts so far and one failure more, so that .ci/run's closing line still counts
# everything that ran and says where the stage stopped.
passed=0
failed=0
stage_label=
stage_finished=
stage_stop=
stage_exit_actions=()

# begin_stage LABEL: the script is a stage counted under LABEL from here on.
begin_stage() {
  stage_label=$1
  set -E
  trap 'stage_stop="${BASH_SOURCE[0]}:$LINENO: \`$BASH_COMMAND\` exited with status $?"' ERR
  trap stage_exit EXIT
}

# on_stage_exit COMMAND: runs COMMAND (clean-up) when the script ends, however it ends.
on_stage_exit() { stage_exit_actions+=("$1"); }

# next_stage LABEL: tallies the counts so far and starts counting afresh under LABEL.
next_stage() {
  finish_stage
  stage_label=$1
  passed=0
  failed=0
  stage_finished=
}

finish_stage() {
  tally "$stage_label" "$passed" "$failed"
  stage_finished=1
}

# stop_stage WHY: ends the script at once as a stage that stopped early.
stop_stage() {
  stage_stop="${BASH_SOURCE[1]}:${BASH_LINENO[0]}: $1"
  exit 1
}

stage_exit() {
  local status=$? action
  trap - ERR
  for action in "${stage_exit_actions[@]}"; do eval "$action" || true; done
  if [ -z "$stage_finished" ] && [ -n "$stage_label" ]; then
    local why="stopped at ${stage_stop:-the end of the script with status $status}"
    echo "== $stage_label: $why" >&2
    tally "$stage_label" "$passed" "$((failed + 1))" "$why"
    [ "$status" -ne 0 ] || status=1
  fi
  exit "$status"
}

# run_ctest LABEL CTEST-ARGUMENT...: runs ctest and tallies its counts; returns its status.
run_ctest() {
  local label=$1 status=0 log summary total failed
  shift
  log=$(mktemp)
  # The scripts run with pipefail: a failing ctest fails the pipe.
  if ! ctest "$@" 2>&1 | tee "$log"; then status=1; fi
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  rm -f "$log"
  if [ -n "$summary" ]; then
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$summary")
    total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$summary")
    tally "$label" $((total - failed)) "$failed"
  else
    tally "$label" 0 1
  fi
  return "$status"
}
