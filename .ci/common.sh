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

# The MinGW-w64 cross build in build-windows, warnings as errors. With "fresh" it is
# rebuilt from scratch, otherwise only brought up to date.
windows_build() {
  if [ "${1:-}" = fresh ]; then rm -rf build-windows; fi
  cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DVESK_WERROR=ON
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
