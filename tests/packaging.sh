#!/usr/bin/env bash
# packaging.sh BUILD_DIR SOURCE_DIR: install, pack and check in a temporary folder, run the installed program.
set -euo pipefail
build=$(cd "$1" && pwd) tmp=$(mktemp -d) id=hu.belvarium.Belvarium pids=() && p=$tmp/prefix s=$tmp/prefix/share
trap 'exit 1' INT TERM HUP && trap 'kill "${pids[@]}" 2>/dev/null || true; wait; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
cmake --install "$build" --prefix "$p" >/dev/null && m=$s/metainfo/$id.metainfo.xml
out=$(desktop-file-validate "$s/applications/$id.desktop" 2>&1) && ! grep -Ei 'error|warning' <<<"$out" || fail "$out"
# appstreamcli fails on warnings too, not only on errors.
out=$(appstreamcli validate --no-net "$m" 2>&1) || fail "appstreamcli: $out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/deb" >"$tmp/cpack.log" 2>&1 || fail "$(cat "$tmp/cpack.log")"
want=$(printf './usr/%s\n' bin/belvarium{,-simreader} share/{applications/$id.desktop,metainfo/$id.metainfo.xml} \
  share/doc/belvarium/{copyright,changelog.gz} share/man/man1/belvarium{,-simreader}.1.gz share/icons/hicolor/{scalable/apps/$id.svg,{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$id.png} | sort)
out=$(lintian -I --fail-on error,warning "$tmp"/deb/*.deb 2>&1) && ! grep -qE 'unneeded-section|no-bindnow' <<<"$out" || fail "lintian (an error, a warning, or .comment or lazy binding back): $out"
got=$(dpkg-deb -c "$tmp"/deb/*.deb | awk '!/^d/ { print $6 }' | sort)
[ "$got" = "$want" ] || fail "package files (< wanted, > packed): $(diff <(echo "$want") <(echo "$got"))"
dep=$(dpkg-deb -f "$tmp"/deb/*.deb Depends)
for d in qt6-translations-l10n fonts-liberation libqt6; do [[ $dep == *$d* ]] || fail "Depends lacks $d: $dep"; done
v=$(dpkg-deb -f "$tmp"/deb/*.deb Version) && grep -q "<release version=\"$v\"" "$m" || fail "no release entry"
[[ $(zcat "$p/share/doc/belvarium/changelog.gz") == "belvarium ($v) "* ]] || fail "the changelog's newest entry is not $v"
# The window icon: the committed PNG, byte for byte, inside the program.
png=$2/data/icons/256x256/$id.png && for at in $(LC_ALL=C grep -obUa IHDR "$p/bin/belvarium" | cut -d: -f1); do
  cmp -s -n "$(stat -c%s "$png")" -i "$((at - 12)):0" "$p/bin/belvarium" "$png" && icon=1; done
[ -n "${icon:-}" ] || fail "belvarium does not carry $png"
export HOME=$tmp/home QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=$tmp/home/.config XDG_RUNTIME_DIR=$tmp/home/run
c=$XDG_CONFIG_HOME/Belvarium && mkdir -p "$c" "$HOME/data" && mkdir -m 700 "$XDG_RUNTIME_DIR"
printf '[comm]\nport=201\n' >"$c/alap.ini" && printf '[cim]\nhely=%s/\n' "$HOME/data" >"$c/belvarium.ini"
"$p/bin/belvarium-simreader" --port 201 --parent-pid $$ >"$tmp/reader.log" 2>&1 & reader=$! && pids+=("$reader")
link=$XDG_RUNTIME_DIR/belvarium-ports/201 && for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.1; done
[ -e "$link" ] || fail "the installed simulated reader published no port 201: $(cat "$tmp/reader.log")"
timeout -s KILL 60 "$p/bin/belvarium" 2>"$tmp/app.err" & guard=$! && pids+=("$guard") && sleep 3
read -r app <"/proc/$guard/task/$guard/children" || [ -n "${app:-}" ] || fail "ended within 3 s: $(cat "$tmp/app.err")"
fds=$(for f in /proc/"$app"/fd/*; do readlink "$f"; done)
grep -qxF "$(readlink -f "$link")" <<<"$fds" || fail "installed belvarium did not open port 201"
[ -e "$HOME/data/postas.lst" ] || fail "installed belvarium did not take up its data folder"
kill "$guard"; wait "$guard" || true
# The offscreen platform's notes about what it cannot do are no fault of ours.
! grep -viE 'propagateSizeHints|^qt\.qpa\.' "$tmp/app.err" || fail "installed belvarium wrote the lines above"
kill "$reader"; wait "$reader" || fail "the simulated reader did not stop cleanly"
