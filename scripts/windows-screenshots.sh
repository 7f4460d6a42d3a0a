#!/usr/bin/env bash
# Starts the Windows program (build-windows/Belvarium, made by
# scripts/build-windows.sh) under Wine on a virtual X server with Qt's windows
# platform, drives it with xdotool the way a user would and takes a picture
# (ImageMagick's import) of each step, into build-windows/screenshots:
#   1-port-message.png  "A gépen nincs szabad port!" (Wine's COM ports are hidden)
#   2-main-window.png   the main window, nothing open
#   3-question.png      "Szerkesztés" asks for the house (OK, Mégse)
#   4-house-open.png    nador42.txt typed into the open dialog: the house open
# Each picture must have many colours, the main window its teal shadows and
# 760 x 570 between the menu bar and the status line, the open house its blue
# code lists. --docs also puts 4-house-open.png into docs/windows-main-window.png.
# Installs xvfb, xdotool, ImageMagick and Wine's fonts when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != --inside ]; then
  missing=$(for p in xvfb xauth xdotool imagemagick fonts-wine; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"; done)
  if [ -n "$missing" ]; then
    echo "Installing: $missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends $missing
  fi
  # Every Wine process of the run must see the X server (Wine's desktop
  # started without one keeps the windows invisible) and /dev/null for the
  # serial devices (see below).
  exec xvfb-run -a -s "-screen 0 1024x768x24" unshare -m bash "$0" --inside "$@"
fi
shift
# Wine maps /dev/ttyS* to COM ports whatever the prefix says, and opening one
# blocks the program's start in Qt's serial port code. Wine's server opens the
# devices, so the whole Wine session runs in this mount namespace, where they
# are /dev/null: the program finds no free port and says so.
for d in /dev/ttyS*; do [ -e "$d" ] && mount --bind /dev/null "$d"; done
repo=$(pwd)
shots=$repo/build-windows/screenshots
program=$repo/build-windows/Belvarium
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine64)
[ -x "$program/belvarium.exe" ] || { echo "No $program/belvarium.exe: run scripts/build-windows.sh" >&2; exit 1; }
tmp=$(mktemp -d /tmp/belvarium-shots.XXXXXX)
export WINEPREFIX=$tmp/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset WINEPATH ${!WINEQT_@}
app=
cleanup() {
  [ -z "$app" ] || kill "$app" 2>/dev/null || true
  "$(dirname "$wine")/wineserver" -k 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$wine" wineboot -i > "$tmp/wineboot.log" 2>&1
# The fonts the forms name, as Windows has them: Liberation is metric-compatible.
for font in "Arial=Liberation Sans" "Times New Roman=Liberation Serif" "Courier New=Liberation Mono"; do
  "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${font%%=*}" /d "${font#*=}" /f > /dev/null
done
mkdir "$WINEPREFIX/drive_c/Hazak" && cp data/demo/* "$WINEPREFIX/drive_c/Hazak/"
"$wine" reg add 'HKCU\Software\Belvarium\belvarium\cim' /v hely /d 'C:\Hazak\' /f > /dev/null
rm -rf "$shots" && mkdir -p "$shots"

# GDI's text metrics under Wine clip the last letter of a label; Qt's own
# FreeType engine measures right.
WINEQT_QPA_PLATFORM=windows:fontengine=freetype "$wine" "$program/belvarium.exe" > "$tmp/belvarium.log" 2>&1 &
app=$!

# The program's visible windows (not the 1 x 1 helpers) as "id width".
windows() {
  local w g
  for w in $(xdotool search --onlyvisible --classname belvarium.exe 2>/dev/null || true); do
    g=$(xdotool getwindowgeometry --shell "$w" 2>/dev/null | sed -n 's/^WIDTH=//p') && [ "${g:-0}" -gt 50 ] && echo "$w $g"
  done
}
# Waits for a window not among $1, from $3 to $4 pixels wide, and prints it.
await_new() {
  for _ in $(seq 300); do
    kill -0 "$app" 2>/dev/null || fail "belvarium.exe ended: $(tail -5 "$tmp/belvarium.log")"
    while read -r w g; do
      [ -n "$w" ] && ! grep -qw "$w" <<<"$1" && [ "$g" -ge "$3" ] && [ "$g" -le "$4" ] && { echo "$w"; return; }
    done < <(windows)
    sleep 0.3
  done
  fail "no window for $2 after 90 s"
}
size() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^\(WIDTH\|HEIGHT\)=//p' | paste -sd x; }
colours() { convert "$shots/$1" -format %c histogram:info:; }
# window file [colour why]: the window's picture once it is drawn: many
# colours, not a blank face, and the colour named among them.
shoot() {
  local c
  for _ in $(seq 40); do
    sleep 0.5
    import -window "$1" -define png:exclude-chunks=date,time "$shots/$2" 2>/dev/null || continue
    c=$(colours "$2")
    [ "$(wc -l <<<"$c")" -ge 16 ] && { [ -z "${3:-}" ] || grep -q "$3" <<<"$c"; } && return
  done
  fail "$2: ${4:-blank}"
}

message=$(await_new "" "the port message" 100 500)
shoot "$message" 1-port-message.png
message_width=$(identify -format %w "$shots/1-port-message.png")
xdotool key Return
main=$(await_new "$message" "the main window" 760 760)
shoot "$main" 2-main-window.png "#008080" "no teal shadows of the buttons"
read -r width height < <(size "$main" | tr x ' ')
[ "$height" -gt 590 ] && [ "$height" -lt 650 ] || fail "main window ${width}x$height, not 570 high with a menu bar and a status line"
# "Szerkesztés" lies 272-385 x 24-46 in the form, below the menu bar.
xdotool mousemove --window "$main" 328 55 click 1
question=$(await_new "$main $message" "the question of Szerkesztés" 100 700)
shoot "$question" 3-question.png
[ "$(identify -format %w "$shots/3-question.png")" -gt "$message_width" ] || fail "the question is no wider than the port message"
xdotool key Return
dialog=$(await_new "$main $message $question" "the open dialog" 100 2000)
sleep 1
xdotool type --delay 50 nador42.txt
xdotool key Return
for _ in $(seq 100); do grep -qw "$dialog" <<<"$(windows)" || break; sleep 0.3; done
shoot "$main" 4-house-open.png "#0000FF" "no blue code lists: the house did not open"
! grep -q "#0000FF" <<<"$(colours 2-main-window.png)" || fail "blue before the house was open"
if [ "${1:-}" = --docs ]; then
  convert "$shots/4-house-open.png" -strip -define png:exclude-chunks=date,time "$repo/docs/windows-main-window.png"
fi
echo "Pictures of the Windows program: $shots"
