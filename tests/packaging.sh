#!/usr/bin/env bash
# Installs the build into a temporary prefix, packs it with cpack, checks the
# desktop entry, the metainfo and the .deb, then runs the installed program
# against the installed simulated reader. Nothing goes into the system.
# Usage: packaging.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d)
id=hu.belvarium.Belvarium prefix=$tmp/prefix
pids=()
trap 'exit 1' INT TERM HUP
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait; rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
ok() { echo "ok: $*"; }

cmake --install "$build" --prefix "$prefix" >/dev/null
ok "cmake --install into a temporary prefix"

out=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) || fail "desktop-file-validate: $out"
! grep -Ei 'error|warning' <<<"$out" || fail "desktop-file-validate complains"
ok "desktop-file-validate $id.desktop"
# appstreamcli fails on warnings too, not only on errors.
out=$(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" 2>&1) || fail "appstreamcli: $out"
ok "appstreamcli validate $id.metainfo.xml"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/deb" >"$tmp/cpack.log" 2>&1 || fail "cpack: $(cat "$tmp/cpack.log")"
deb=$(echo "$tmp"/deb/*.deb)
want=(bin/belvarium bin/belvarium-simreader share/applications/$id.desktop share/metainfo/$id.metainfo.xml
      share/icons/hicolor/scalable/apps/$id.svg)
for s in 16 24 32 48 64 128 256; do want+=("share/icons/hicolor/${s}x$s/apps/$id.png"); done
want=$(printf './usr/%s\n' "${want[@]}" | sort)
got=$(dpkg-deb -c "$deb" | awk '!/^d/ { print $6 }' | sort)
[ "$got" = "$want" ] || fail "package files differ (< wanted, > packed): $(diff <(echo "$want") <(echo "$got"))"
ok "$(basename "$deb") holds exactly the programs, desktop entry, icons and metainfo"
dep=$(dpkg-deb -f "$deb" Depends)
for d in qt6-translations-l10n fonts-liberation libqt6; do [[ $dep == *$d* ]] || fail "Depends lacks $d: $dep"; done
ok "Depends: $dep"
grep -q "<release version=\"$(dpkg-deb -f "$deb" Version)\"" "$prefix/share/metainfo/$id.metainfo.xml" ||
  fail "metainfo has no release entry for the package version"
ok "metainfo lists this version's release"

# The window icon: the committed PNG, byte for byte, inside the program.
bin=$prefix/bin/belvarium png=$2/data/icons/256x256/$id.png
for at in $(LC_ALL=C grep -obUa IHDR "$bin" | cut -d: -f1); do
  cmp -s -n "$(stat -c%s "$png")" -i "$((at - 12)):0" "$bin" "$png" && icon=1
done
[ -n "${icon:-}" ] || fail "belvarium does not carry $png"
ok "belvarium carries its window icon"

export HOME=$tmp/home QT_QPA_PLATFORM=offscreen
export XDG_CONFIG_HOME=$HOME/.config XDG_RUNTIME_DIR=$HOME/run
mkdir -p "$XDG_CONFIG_HOME/Belvarium" "$XDG_RUNTIME_DIR" "$HOME/data"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[comm]\nport=201\n' >"$XDG_CONFIG_HOME/Belvarium/alap.ini"
printf '[cim]\nhely=%s/\n' "$HOME/data" >"$XDG_CONFIG_HOME/Belvarium/belvarium.ini"
"$prefix/bin/belvarium-simreader" --port 201 --parent-pid $$ >"$tmp/reader.log" 2>&1 & reader=$!
pids+=("$reader")
link=$XDG_RUNTIME_DIR/belvarium-ports/201
for _ in $(seq 100); do [ -e "$link" ] && break; sleep 0.1; done
[ -e "$link" ] || fail "the installed simulated reader published no port 201: $(cat "$tmp/reader.log")"
ok "installed belvarium-simreader serves port 201"

timeout -s KILL 60 "$prefix/bin/belvarium" 2>"$tmp/app.err" & guard=$!
pids+=("$guard")
sleep 3
read -r app <"/proc/$guard/task/$guard/children" || true
[ -n "${app:-}" ] || fail "installed belvarium ended within 3 s: $(cat "$tmp/app.err")"
fds=$(for f in /proc/$app/fd/*; do readlink "$f"; done)
grep -qxF "$(readlink -f "$link")" <<<"$fds" || fail "installed belvarium did not open port 201"
[ -e "$HOME/data/postas.lst" ] || fail "installed belvarium did not take up its data folder"
kill "$guard"; wait "$guard" || true
# The offscreen platform's notes about what it cannot do are no fault of ours.
if grep -viE 'propagateSizeHints|^qt\.qpa\.' "$tmp/app.err"; then fail "installed belvarium wrote the lines above"; fi
ok "installed belvarium ran 3 s on port 201 with its data folder, quiet on stderr"
kill "$reader"; wait "$reader" || fail "the simulated reader did not stop cleanly"
ok "simulated reader stopped"
