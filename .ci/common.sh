# Helpers shared by the CI scripts; sourced, not run.

# Installs the Debian packages named that are not installed yet.
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "== installing ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" </dev/null
  fi
}

# The Linux build that .ci/run makes; the program alone is built if it is missing.
ensure_linux_build() {
  if [ ! -x build/vesk ]; then
    echo "== building the Linux program in build"
    cmake -S . -B build -G Ninja
    cmake --build build --target vesk
  fi
}

# Debian ships pugixml and GeographicLib built for the host only, so the cross build
# compiles them from their Debian source packages, unpacked into build-windows/NAME-src
# (and kept when the cross build starts afresh: no download on re-runs).
deb_src_sources=/etc/apt/sources.list.d/vesk-deb-src.sources
deb_src_list=/etc/apt/sources.list.d/vesk-deb-src.list

# Lets apt-get source find pugixml: adds deb-src entries for the mirrors and suites of this
# Debian release that apt already installs from, in either of apt's formats.
enable_debian_sources() {
  if apt-cache showsrc pugixml 2>/dev/null | grep -q '^Package: pugixml$'; then return 0; fi
  local codename f
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "== adding deb-src entries for $codename to apt's sources"
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && [ "$f" != "$deb_src_sources" ] && cat "$f" && echo
  done | awk -v release="$codename" 'BEGIN { RS = ""; ORS = "\n\n" }
    $0 ~ ("(^|\n)Suites:[^\n]*" release) && $0 ~ /(^|\n)Types:[ \t]*deb[ \t]*(\n|$)/ {
      sub(/Types:[ \t]*deb[ \t]*\n/, "Types: deb-src\n"); print }' >"$deb_src_sources"
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    awk -v release="$codename" '$1 == "deb" && $0 ~ (" " release "(-[a-z]+)? ") { $1 = "deb-src"; print }' \
      >"$deb_src_list"
  apt-get update
}

# fetch_debian_source NAME FILE: unpacks the Debian source package NAME into
# build-windows/NAME-src unless it is there already, and sets source_dir to the unpacked
# folder, the one that holds FILE.
fetch_debian_source() {
  local root=build-windows/$1-src found
  found=$(compgen -G "$root/$1-*/$2" | head -n 1 || true)
  if [ -z "$found" ]; then
    echo "== fetching the $1 source package into $root"
    enable_debian_sources
    rm -rf "$root"
    mkdir -p "$root"
    # Root downloads itself: apt's unprivileged user may not write into the build tree.
    (cd "$root" && apt-get -o APT::Sandbox::User=root source "$1" </dev/null)
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
  local pugixml_dir
  fetch_debian_source pugixml src/pugixml.cpp
  pugixml_dir=$source_dir
  fetch_debian_source geographiclib src/DMS.cpp
  cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DVESK_WERROR=ON -DVESK_PUGIXML_SOURCE_DIR="$PWD/$pugixml_dir" \
    -DVESK_GEOGRAPHICLIB_SOURCE_DIR="$PWD/$source_dir"
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

# tally LABEL PASSED FAILED: adds a stage's counts to the file named by VESK_TALLY, which
# .ci/run sums into its closing line; prints them either way.
tally() {
  echo "$1: $2 passed, $3 failed"
  if [ -n "${VESK_TALLY:-}" ]; then echo "$1	$2	$3" >>"$VESK_TALLY"; fi
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
