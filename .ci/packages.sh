#!/usr/bin/env bash
# Release packages: builds the .deb from the Linux build (./build, made by .ci/run) and
# the .zip from the Windows cross build (./build-windows, made by .ci/windows.sh), lists
# them, checks that each holds the program, the manual page, the README and the example
# route, that lintian finds nothing wrong with the .deb and mandoc nothing with the manual
# page, and runs the packaged program the way an operator would after installing it.
set -euo pipefail
cd "$(dirname "$0")/.."
export CI="${CI:-true}"
. .ci/common.sh
begin_stage "package checks"

# dpkg-dev and file let cpack find the .deb's dependencies; lintian and mandoc check the
# package and its manual page as Debian's own tools would.
install_missing cmake ninja-build g++ libgtest-dev dpkg-dev file lintian mandoc \
  g++-mingw-w64-x86-64-posix googletest wine wine64 libpugixml-dev nlohmann-json3-dev libcli11-dev \
  libgeographiclib-dev libminizip-dev zlib1g-dev libz-mingw-w64-dev libtomlplusplus-dev libboost-dev libtiff-dev \
  nettle-dev libkainjow-mustache-dev

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vesk-packages.XXXXXX")
on_stage_exit 'stop_wine; rm -rf "$scratch"'

answers=$'0\nn\n50\nn\n'
pass() { passed=$((passed + 1)); }
fail() {
  echo "FAIL: $*" >&2
  failed=$((failed + 1))
}

# expect_listed LISTING PATH...: each path is in the listing (one path a line).
expect_listed() {
  local listing=$1 path
  shift
  for path in "$@"; do
    if grep -qxF "$path" "$listing"; then pass; else fail "$path missing from the package"; fi
  done
}

# expect_mission DIR STATUS: the run in DIR exited 0 and wrote the three mission files.
expect_mission() {
  local dir=$1 status=$2 ext
  if [ "$status" = 0 ]; then pass; else fail "run in $dir exited with $status"; fi
  for ext in cfg wpt pts; do
    if compgen -G "$dir/*.$ext" >/dev/null; then pass; else fail "run in $dir wrote no .$ext file"; fi
  done
}

ensure_linux_build
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)

echo "== cmake --install of the Linux build"
cmake --install build --prefix "$scratch/prefix"
(cd "$scratch/prefix" && find . -type f | LC_ALL=C sort) | tee "$scratch/installed.txt"
expect_listed "$scratch/installed.txt" ./bin/vesk ./share/man/man1/vesk.1.gz \
  ./share/doc/vesk/README.md ./share/doc/vesk/examples/route.txt ./share/doc/vesk/examples/settings.toml \
  ./share/doc/vesk/changelog.gz ./share/doc/vesk/copyright

echo "== the manual page"
# Warnings and errors only: mandoc's style hints (such as lines over 80 bytes in the
# source) do not change what the reader sees.
if mandoc -T lint -W warning doc/vesk.1; then pass; else fail "mandoc -T lint warns about doc/vesk.1"; fi

echo "== Debian package"
rm -rf build/packages
(cd build && cpack -G DEB)
deb=$(echo build/packages/vesk_"$version"_*.deb)
[ -f "$deb" ] || stop_stage "cpack built no .deb"
dpkg-deb --info "$deb" | tee "$scratch/deb-info.txt"
# The program links pugixml as a shared library: installing the .deb must pull it in.
depends=$(sed -n 's/^ Depends: //p' "$scratch/deb-info.txt")
if grep -qE '(^|, )libpugixml1v5( |,|$)' <<<"$depends"; then pass; else
  fail "the .deb does not depend on libpugixml1v5 (Depends: ${depends:-none})"
fi
dpkg-deb --contents "$deb" | tee "$scratch/deb.txt"
awk '{print $NF}' "$scratch/deb.txt" >"$scratch/deb-paths.txt"
expect_listed "$scratch/deb-paths.txt" ./usr/bin/vesk ./usr/share/man/man1/vesk.1.gz \
  ./usr/share/doc/vesk/README.md ./usr/share/doc/vesk/examples/route.txt ./usr/share/doc/vesk/examples/settings.toml \
  ./usr/share/doc/vesk/changelog.gz ./usr/share/doc/vesk/copyright

echo "== lintian"
# Errors, warnings and pedantic findings all fail; informational hints are shown only.
if lintian --pedantic --display-info --fail-on error,warning,pedantic "$deb"; then pass; else
  fail "lintian finds fault with $deb"
fi

echo "== the program unpacked from the .deb"
dpkg -x "$deb" "$scratch/root"
installed="$scratch/root/usr/bin/vesk"
# --version prints the name and version, then the licence.
got=$("$installed" --version </dev/null)
echo "$got"
if [ "$(head -n 1 <<<"$got")" = "vesk $version" ]; then pass; else
  fail "installed vesk --version printed '$got', not 'vesk $version' first"
fi
# The changelog's latest entry is this version: dpkg and apt show it to the operator.
changelog_version=$(zcat "$scratch/root/usr/share/doc/vesk/changelog.gz" | sed -n '1s/^vesk (\([^)]*\)).*/\1/p')
if [ "$changelog_version" = "$version" ]; then pass; else
  fail "the changelog's latest entry is ${changelog_version:-missing}, the package $version"
fi
mkdir "$scratch/deb-run"
status=0
(cd "$scratch/deb-run" && printf '%s' "$answers" |
  "$installed" "$scratch/root/usr/share/doc/vesk/examples/route.txt" >"$scratch/deb-run.out") ||
  status=$?
ls -l "$scratch/deb-run"
expect_mission "$scratch/deb-run" "$status"

echo "== the .deb installed by apt, with its dependencies, and removed again"
if [ "$(id -u)" = 0 ] && ! dpkg-query -W vesk >/dev/null 2>&1; then
  if DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$PWD/$deb" </dev/null &&
    [ "$(vesk --version </dev/null | head -n 1)" = "vesk $version" ]; then
    pass
  else
    fail "apt-get install of $deb, or the installed vesk, failed"
  fi
  dpkg --purge vesk >/dev/null || fail "dpkg --purge vesk failed"
else
  echo "   (skipped: needs root and a machine without vesk installed)"
fi

echo "== Windows package"
[ -f build-windows/build.ninja ] || windows_build
cmake --build build-windows
rm -rf build-windows/packages
(cd build-windows && cpack -G ZIP)
zip="$PWD/build-windows/packages/vesk-$version-win64.zip"
[ -f "$zip" ] || stop_stage "cpack built no .zip"
cmake -E tar tf "$zip" | LC_ALL=C sort | tee "$scratch/zip.txt"
top="vesk-$version-win64"
expect_listed "$scratch/zip.txt" "$top/vesk.exe" "$top/README.md" "$top/vesk.1" "$top/route.txt" "$top/settings.toml"

echo "== the program unpacked from the .zip, under Wine"
mkdir "$scratch/unzipped"
(cd "$scratch/unzipped" && cmake -E tar xf "$zip")
start_wine "$scratch"
folder="$scratch/unzipped/$top"
got=$(cd "$folder" && wine vesk.exe --version </dev/null | tr -d '\r')
echo "$got"
if [ "$(head -n 1 <<<"$got")" = "vesk $version" ]; then pass; else
  fail "unzipped vesk.exe --version printed '$got', not 'vesk $version' first"
fi
status=0
(cd "$folder" && printf '%s' "$answers" | timeout 300 wine vesk.exe route.txt >"$scratch/zip-run.out") ||
  status=$?
ls -l "$folder"
expect_mission "$folder" "$status"

echo "built $deb and $zip"
finish_stage
[ "$failed" -eq 0 ]
