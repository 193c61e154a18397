#!/usr/bin/env bash
# The dive brief in a real browser: headless Chromium, with every host resolving nowhere
# and a proxy that is no proxy, prints the page of a 50-waypoint route and of a survey of
# 426 waypoints to PDF and takes a screenshot. The route's brief fits two A4 sheets,
# every timetable row is on the paper whole, the picture is drawn, and the browser's own
# network log shows that the page asked for nothing beyond itself.
# usage: briefInBrowser.sh VESK_PROGRAM SOURCE_DIR
# Without chromium, pdfinfo or pdftotext the check is skipped (exit 77), except in CI
# (CI=true), where it fails.
set -euo pipefail
vesk=$1
source_dir=$2

missing=()
for tool in chromium pdfinfo pdftotext python3; do command -v "$tool" >/dev/null || missing+=("$tool"); done
if [ "${#missing[@]}" -gt 0 ]; then
  if [ "${CI:-}" = true ]; then
    echo "FAIL: the browser checks need ${missing[*]} (apt-get install chromium poppler-utils)" >&2
    exit 1
  fi
  echo "skipped: ${missing[*]} not installed (apt-get install chromium poppler-utils)"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vesk-browser.XXXXXX")
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "FAIL: $*" >&2
  failed=1
}

# The browser as a crew's laptop at sea has it: no network. Root needs --no-sandbox.
browser=(chromium --headless --no-sandbox --disable-gpu --no-pdf-header-footer
  "--host-resolver-rules=MAP * ~NOTFOUND" --proxy-server=127.0.0.1:9
  --disable-background-networking --disable-component-update --disable-sync --disable-default-apps
  --no-first-run --disable-domain-reliability --disable-client-side-phishing-detection
  --disable-features=Translate,OptimizationHints,MediaRouter,SpellCheck)

# open PAGE OUTPUT-OPTION...: the browser on PAGE with a fresh profile and a network log.
open_page() {
  local page=$1
  shift
  rm -rf "$work/profile" "$work/net.json"
  timeout 120 "${browser[@]}" "--user-data-dir=$work/profile" "--log-net-log=$work/net.json" "$@" \
    "file://$page" >"$work/browser.log" 2>&1 || fail "chromium failed on $page: $(tail -3 "$work/browser.log")"
}

# requests_beyond_file: every URL the network log saw the page ask for (its requests are
# keyed to the page's file:// site; the browser's own background requests are not) that is
# not a file.
requests_beyond_file() {
  python3 - "$work/net.json" <<'PY'
import json, sys
events = json.load(open(sys.argv[1])).get("events", [])
urls = {str(p["url"]) for p in (e.get("params", {}) for e in events)
        if "url" in p and str(p.get("network_isolation_key", "")).startswith("file://")}
print("\n".join(sorted(u for u in urls if not u.startswith("file:"))))
PY
}

# brief DIR ARGS...: plans into DIR and prints the page's path.
brief() {
  local dir=$1
  shift
  mkdir -p "$dir"
  (cd "$dir" && "$vesk" --no-input --set yoyoMission=1 --set kallopMission=0 --map html "$@" >/dev/null 2>"$dir/errors") ||
    fail "vesk $*: $(cat "$dir/errors")"
  compgen -G "$dir/*.html" | head -n 1
}

# rows_on_paper PDF PAGE-HTML: every timetable row of the page is found whole on one sheet:
# its number, kind and position in degrees and minutes on one line of the PDF's text.
rows_on_paper() {
  local pdf=$1 html=$2
  python3 - "$pdf" "$html" <<'PY'
import html, re, subprocess, sys
pdf, page = sys.argv[1], sys.argv[2]
text = open(page, encoding="utf-8").read()
table = text[text.index('<section id="timetable">'):text.index("</section>", text.index('<section id="timetable">'))]
rows = re.findall(r'<tr><td class="n">(\d+)</td><td>(\w+)</td><td>([^<]*)</td>', table)
sheets = int(re.search(r"Pages:\s+(\d+)", subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout).group(1))
lines = []
for sheet in range(1, sheets + 1):
    out = subprocess.run(["pdftotext", "-layout", "-f", str(sheet), "-l", str(sheet), pdf, "-"],
                         capture_output=True, text=True).stdout
    lines += [" ".join(l.split()) for l in out.splitlines()]
missing = [n for n, kind, pos in rows
           if not any(l.startswith(f"{n} {kind} {' '.join(html.unescape(pos).split())}") for l in lines)]
print(f"{len(rows)} rows, {len(missing)} not whole on a sheet: {missing[:10]}")
sys.exit(1 if missing or not rows else 0)
PY
}

echo "== a route of 50 waypoints"
python3 -c "
for i in range(50): print('%.4f %.4f' % (45 + 0.01 * i, 10 + 0.012 * (i % 2)))" >"$work/route50.txt"
page=$(brief "$work/route" --checklist "$source_dir/examples/checklist.txt" "$work/route50.txt")
open_page "$page" "--print-to-pdf=$work/route.pdf"
pages=$(pdfinfo "$work/route.pdf" | awk '/^Pages:/ {print $2}')
size=$(pdfinfo "$work/route.pdf" | sed -n 's/^Page size: *//p')
echo "   $pages pages, $size"
[ "${pages:-9}" -le 2 ] || fail "the 50-waypoint brief takes $pages pages, more than 2"
[[ $size == *"(A4)"* ]] || fail "the brief is printed on $size, not A4"
rows_on_paper "$work/route.pdf" "$page" || fail "a timetable row of the route is not whole on the paper"
beyond=$(requests_beyond_file)
[ -z "$beyond" ] || fail "the page asked for more than itself: $beyond"

echo "== the picture is drawn"
open_page "$page" --window-size=1000,4000 "--screenshot=$work/shot.png"
# The chart's area of the screenshot: its pixels differ (not one blank colour).
python3 - "$work/shot.png" <<'PY' || fail "the screenshot's picture area is blank"
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
width, height, depth, colour = struct.unpack(">IIBB", data[16:26])
idat, at = b"", 8
while at < len(data):
    size, kind = struct.unpack(">I4s", data[at:at + 8])
    if kind == b"IDAT":
        idat += data[at + 8:at + 8 + size]
    at += 12 + size
raw = zlib.decompress(idat)
bpp = {2: 3, 6: 4}[colour]
stride = width * bpp
rows, prev = [], bytearray(stride)
for y in range(height):
    f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for x in range(stride):
        a = line[x - bpp] if x >= bpp else 0
        b, c = prev[x], prev[x - bpp] if x >= bpp else 0
        p = a + b - c
        pred = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else (b if abs(p - b) <= abs(p - c) else c)
        line[x] = (line[x] + [0, a, b, (a + b) // 2, pred][f]) & 255
    rows.append(bytes(line))
    prev = line
# The picture follows the timetable: its lower half of the screen holds the chart.
colours = {rows[y][x:x + 3] for y in range(height // 2, height, 7) for x in range(0, stride, bpp * 7)}
print(f"   {len(colours)} colours in the lower half of the screenshot")
sys.exit(0 if len(colours) >= 8 else 1)
PY

echo "== a survey of about 400 waypoints"
page=$(brief "$work/survey" --area "$source_dir/examples/area.kml" --line-spacing 60 --set maxLegMeters=300)
open_page "$page" "--print-to-pdf=$work/survey.pdf"
echo "   $(pdfinfo "$work/survey.pdf" | awk '/^Pages:/ {print $2}') pages"
rows_on_paper "$work/survey.pdf" "$page" || fail "a timetable row of the survey is not whole on the paper"
beyond=$(requests_beyond_file)
[ -z "$beyond" ] || fail "the survey's page asked for more than itself: $beyond"

echo "== a page that asks for an image is caught"
printf '<html><body><img src="http://example.org/x.png">x</body></html>\r\n' >"$work/fetching.html"
open_page "$work/fetching.html" "--print-to-pdf=$work/fetching.pdf"
[ -n "$(requests_beyond_file)" ] || fail "the network log did not see a page's request: the check would see none"

if [ "$failed" -ne 0 ]; then exit 1; fi
echo "browser checks passed"
