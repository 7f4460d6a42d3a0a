#!/usr/bin/env bash
# Starts a demo of Belvarium: the program with a few sample houses and the
# simulated reader, all inside the build folder (build/demo), so that the
# user's own settings, data folder, lock and ports are never touched.
#
# Installs what is missing and builds only the program and the simulated
# reader. The reader serves virtual port 201 with the sample house
# nador42.txt, three of its slots changed, so "Kiolvasás", "Ellenőrzés" and
# "Eltérések rátöltése" have something to show. Closing Belvarium stops the
# reader. The demo's files survive between runs; remove build/demo to start
# afresh.
#
# BELVARIUM_BUILD_DIR picks another build folder, BELVARIUM_DEMO_DIR another
# demo folder; BELVARIUM_DEMO_SECONDS=N ends the demo after N seconds (tests).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
build=${BELVARIUM_BUILD_DIR:-build}
mkdir -p "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" --target belvarium belvarium-simreader -j"$(nproc)"

demo=${BELVARIUM_DEMO_DIR:-$(cd "$build" && pwd)/demo}
if [ ! -d "$demo/data" ]; then
  mkdir -p "$demo/config/Belvarium" "$demo/data"
  cp data/demo/* "$demo/data/"
  printf '[comm]\nport=201\n' > "$demo/config/Belvarium/alap.ini"
  printf '[cim]\nhely=%s/\n' "$demo/data" > "$demo/config/Belvarium/belvarium.ini"
fi
mkdir -p "$demo/runtime"
chmod 700 "$demo/runtime"
# Settings and lock follow XDG_CONFIG_HOME, the virtual ports XDG_RUNTIME_DIR.
export XDG_CONFIG_HOME="$demo/config" XDG_RUNTIME_DIR="$demo/runtime"

echo "Demo files:      $demo"
echo "  settings/lock: $XDG_CONFIG_HOME/Belvarium"
echo "  data folder:   $demo/data"
echo "Simulated reader on virtual port 201 (log: $demo/simreader.log)"
"$build/tools/belvarium-simreader" --port 201 --house "$demo/data/nador42.txt" --differ 3 --seed 1 \
  --parent-pid $$ > "$demo/simreader.log" 2>&1 &
reader=$!
for _ in $(seq 100); do
  [ -e "$XDG_RUNTIME_DIR/belvarium-ports/201" ] && break
  sleep 0.1
done
grep -h "Changed slots" "$demo/simreader.log" || true
echo "Starting $build/src/belvarium"
if [ -n "${BELVARIUM_DEMO_SECONDS:-}" ]; then
  "$build/src/belvarium" &
  program=$!
  sleep "$BELVARIUM_DEMO_SECONDS"
  kill "$program" "$reader" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  exit 0
fi
# The reader watches this shell's process, which exec turns into Belvarium.
exec "$build/src/belvarium"
