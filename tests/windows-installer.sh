#!/usr/bin/env bash
# windows-installer.sh WINE BUILD_WINDOWS SOURCE_DIR: the installer in the caller's throw-away Wine prefix (WINEPREFIX).
set -euo pipefail
wine=$1 out=$2 src=$3 tmp=$(mktemp -d) && trap 'kill "${app:-}" 2>/dev/null || true; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/build/CMakeCache.txt") && setup=$out/Belvarium-$version-setup.exe
users=$WINEPREFIX/drive_c/users/$(id -un) && dir=$users/AppData/Local/Programs/Belvarium
win='C:\users\'$(id -un)'\AppData\Local\Programs\Belvarium' key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall'
link="$users/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Belvarium.lnk" lock=$users/AppData/Local/Belvarium/belvarium.lock
reg() { "$wine" reg query "$key\\Belvarium" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z]* *//p"; }
files() { (cd "$dir" && find . -type f | sort); }
unset WINEPATH # the installed folder alone must do
# An older version with a file the new one lacks, built from the same script.
mkdir "$tmp/old" && echo old >"$tmp/old/belvarium.exe" && echo old >"$tmp/old/old.dll" && echo '  Delete "$INSTDIR\old.dll"' >"$tmp/old.nsh"
makensis -V1 -X'SetCompressor /FINAL zlib' -DVERSION=0.0.1 -DVERSION4=0.0.1.0 -DPROGRAM="$tmp/old" -DUNINSTALL_FILES="$tmp/old.nsh" \
  -DOUTFILE="$tmp/old-setup.exe" "$src/data/windows/installer.nsi" && "$wine" "$tmp/old-setup.exe" /S && [ "$(reg DisplayVersion)" = 0.0.1 ] || fail "the older version did not install"
"$wine" "$setup" /S || fail "the installer failed"
want=$(printf './%s\n' belvarium.exe uninstall.exe Qt6{Core,Gui,Widgets,SerialPort}.dll lib{stdc++-6,gcc_s_seh-1,winpthread-1}.dll \
  platforms/qwindows.dll styles/qwindowsvistastyle.dll translations/qtbase_hu.qm | sort)
[ "$(files)" = "$want" ] || fail "installed files (< wanted, > there): $(diff <(echo "$want") <(files))"
for v in "DisplayName=Belvarium" "Publisher=Belvarium developers" "DisplayVersion=$version" "DisplayIcon=$win\\belvarium.exe,0" \
  "UninstallString=\"$win\\uninstall.exe\"" "QuietUninstallString=\"$win\\uninstall.exe\" /S"; do
  [ "$(reg "${v%%=*}")" = "${v#*=}" ] || fail "${v%%=*} is '$(reg "${v%%=*}")', not '${v#*=}'"; done
(( $(reg EstimatedSize) > 10000 )) && [ "$("$wine" reg query "$key" /s | grep -c 'DisplayName.*Belvarium')" = 1 ] && [ -f "$link" ] || fail "size, one entry, shortcut"
# Explorer's icon and version: the committed .ico and the project version inside the exe.
ico=$src/data/icons/hu.belvarium.Belvarium.ico && wrestool -x -t14 "$dir/belvarium.exe" | cmp -s -n "$(stat -c%s "$ico")" - "$ico" || fail "belvarium.exe lacks $ico"
strings=$(wrestool -x --raw -t16 "$dir/belvarium.exe" | iconv -f UTF-16LE -t UTF-8 -c | tr -cs '[:print:]\200-\377' '\n')
for v in FileVersion=$version ProductVersion=$version "CompanyName=Belvarium developers"; do
  grep -A1 -x "${v%%=*}" <<<"$strings" | grep -qxF "${v#*=}" || fail "belvarium.exe's ${v%%=*} is not ${v#*=}"; done
# While the installed program runs (its lock made: it started), neither installer nor uninstaller touches a file.
rm -f "$lock" && before=$(files; md5sum "$dir/belvarium.exe")
WINEQT_QPA_PLATFORM=offscreen WINEQT_QPA_PLATFORM_PLUGIN_PATH="Z:${out//\//\\}\\qt-6.4.2-mingw64\\plugins\\platforms" "$wine" "$dir/belvarium.exe" >"$tmp/app.log" 2>&1 & app=$!
for _ in $(seq 300); do [ -e "$lock" ] && break; sleep 0.2; done
[ -e "$lock" ] && kill -0 $app || fail "the installed program made no lock: $(cat "$tmp/app.log")"
"$wine" "$setup" /S && fail "the installer ran over the running program"
"$wine" "$dir/uninstall.exe" /S "_?=$win" && fail "the uninstaller ran under the running program"
[ "$(files; md5sum "$dir/belvarium.exe")" = "$before" ] && [ -n "$(reg DisplayName)" ] || fail "the folder or entry changed while the program ran"
kill $app && wait $app || true
# The uninstaller finishes from a copy of itself; the data folder, settings and lock folder stay.
mkdir "$WINEPREFIX/drive_c/Hazak" && "$wine" reg add 'HKCU\Software\Belvarium\belvarium\cim' /v hely /d 'C:\Hazak\' /f >/dev/null
"$wine" "$dir/uninstall.exe" /S && for _ in $(seq 150); do [ -e "$dir" ] || break; sleep 0.2; done
[ ! -e "$dir" ] && [ ! -e "$link" ] && [ -z "$(reg DisplayName)" ] || fail "left behind: $(ls "$dir" 2>&1) $(ls "$link" 2>&1) $(reg DisplayName)"
[ -d "$WINEPREFIX/drive_c/Hazak" ] && [ -d "${lock%/*}" ] && "$wine" reg query 'HKCU\Software\Belvarium\belvarium\cim' /v hely >/dev/null || fail "data, lock folder or settings gone"
