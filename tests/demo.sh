#!/usr/bin/env bash
# The run command's demo leaves a user's own settings and data alone: it runs with a HOME of its own,
# which must be byte for byte the same afterwards, and its own settings, data, lock and simulated reader.
set -euo pipefail
src=$1 home=$(mktemp -d) demo=$(mktemp -d) && c=$home/.config/Belvarium && trap 'rm -rf "$home" "$demo"' EXIT
fail() { echo "demo: $1"; cat "$demo/out"; exit 1; }
mkdir -p "$c" "$home/data" && head -c 16392 /dev/zero | tr '\0' 1 >"$home/data/haz.txt"
printf '[comm]\nport=7\n' >"$c/alap.ini" && printf '[cim]\nhely=%s/data/\n' "$home" >"$c/belvarium.ini"
state() (cd "$home" && find . -print0 | sort -z | xargs -0 ls -ld --time-style=+%s.%N | awk '{$2=""; print}' &&
         find . -type f -print0 | sort -z | xargs -0 sha256sum)
before=$(state)
env -u XDG_CONFIG_HOME -u XDG_RUNTIME_DIR HOME="$home" QT_QPA_PLATFORM=offscreen BELVARIUM_BUILD_DIR="$2" \
  BELVARIUM_DEMO_DIR="$demo/d" BELVARIUM_DEMO_SECONDS=3 bash "$src/scripts/run.sh" >"$demo/out" 2>&1
[ "$before" = "$(state)" ] || { diff <(echo "$before") <(state); fail "the user's own HOME changed"; }
grep -q "Changed slots (3)" "$demo/out" || fail "the simulated reader did not serve a changed sample house"
cmp -s "$src/data/demo/nador42.txt" "$demo/d/data/nador42.txt" || fail "the demo's sample house is missing"
grep -q "hely=$demo/d/data/" "$demo/d/config/Belvarium/belvarium.ini" || fail "the demo's settings are missing"
[ -e "$demo/d/config/Belvarium/belvarium.lock" ] || fail "the demo's lock was not beside its settings"
