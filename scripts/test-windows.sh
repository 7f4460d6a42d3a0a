#!/usr/bin/env bash
# Builds the Windows program and runs its test executables under Wine, each in
# a throw-away Wine prefix's offscreen platform with a time limit; then the
# installer (tests/windows-installer.sh) and the program drawn by Wine's
# windows platform (scripts/windows-screenshots.sh). Ends with "windows: N
# passed, M failed". Skips (exit 0) only when Wine is missing and cannot be
# installed.
set -euo pipefail
cd "$(dirname "$0")/.."
wine=/usr/lib/wine/wine64
if [ "${1:-}" != --inside ]; then
  bash scripts/build-windows.sh --wine
  [ -x "$wine" ] || command -v wine64 > /dev/null || {
    echo "windows: tests skipped: Wine (wine64) is missing and could not be installed"
    exit 0
  }
  # Wine maps /dev/ttyS* to COM ports whatever the prefix says, and opening
  # one blocks a program's start in Qt's serial port code. Wine's server opens
  # the devices, so the whole Wine session runs in a mount namespace of its
  # own where they are /dev/null.
  exec unshare -m bash "$0" --inside
fi
for d in /dev/ttyS*; do [ -e "$d" ] && mount --bind /dev/null "$d"; done
out=$(pwd)/build-windows
qt=$out/qt-6.4.2-mingw64
[ -x "$wine" ] || wine=$(command -v wine64)
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

winpath() { echo "Z:${1//\//\\}"; }
prefix=$(mktemp -d /tmp/belvarium-wine.XXXXXX)
logs=$out/test-logs
rm -rf "$logs"
mkdir -p "$logs"
cleanup() {
  WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT

export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine hands QT_* variables over only under these names. Qt's own messages go
# to stderr, not to the debugger; the offscreen platform finds no fonts on
# Windows unless told where they are.
export WINEQT_QPA_PLATFORM=offscreen WINEQT_FORCE_STDERR_LOGGING=1
WINEQT_QPA_FONTDIR=$(winpath /usr/share/fonts/truetype/liberation)
WINEPATH="$(winpath "$qt/bin");$(winpath /usr/x86_64-w64-mingw32/lib);$(winpath /usr/lib/gcc/x86_64-w64-mingw32/12-posix)"
export WINEQT_QPA_FONTDIR WINEPATH
echo "Making a Wine prefix in $prefix"
"$wine" wineboot -i > "$logs/wineboot.log" 2>&1

passed=0
skipped=0
failed=()
cd "$out/build/tests"
for test in tst_*.exe; do
  name=${test%.exe}
  start=$SECONDS
  status=0
  timeout 300 "$wine" "$test" > "$logs/$name.log" 2>&1 || status=$?
  totals=$(grep -a "^Totals:" "$logs/$name.log" | tail -1 || true)
  if [ "$status" = 0 ] && [[ $totals =~ ^Totals:\ [0-2]\ passed.*\ [1-9][0-9]*\ skipped ]]; then
    # Nothing ran but initTestCase and cleanupTestCase.
    skipped=$((skipped + 1))
    echo "SKIP $name $totals"
  elif [ "$status" = 0 ]; then
    passed=$((passed + 1))
    echo "PASS $name ($((SECONDS - start)) s) $totals"
  else
    failed+=("$name")
    [ "$status" = 124 ] && totals="timed out after 300 s"
    echo "FAIL $name ($((SECONDS - start)) s, exit $status) $totals"
    grep -a -A3 "^FAIL!" "$logs/$name.log" || tail -20 "$logs/$name.log"
  fi
  grep -a "^SKIP" "$logs/$name.log" | sed "s/^/     /" || true
done
cd "$out/.."
# name command...: one more check, counted like the test executables.
check() {
  local name=$1 start=$SECONDS
  shift
  if "$@" > "$logs/$name.log" 2>&1; then
    passed=$((passed + 1))
    echo "PASS $name ($((SECONDS - start)) s)"
  else
    failed+=("$name")
    echo "FAIL $name ($((SECONDS - start)) s)"
    tail -5 "$logs/$name.log"
  fi
}
check installer bash tests/windows-installer.sh "$wine" "$out" "$(pwd)"
check screenshots bash scripts/windows-screenshots.sh
echo "windows: $passed passed, ${#failed[@]} failed${failed:+ (${failed[*]})}, $skipped skipped; logs in $logs"
[ ${#failed[@]} = 0 ]
