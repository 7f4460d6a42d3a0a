#!/usr/bin/env bash
# Installs what is missing, builds, starts the simulated reader on virtual
# port 201, makes that port the saved choice, and starts Belvarium. The
# simulated reader ends when Belvarium ends.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
bash scripts/build.sh build
config="${XDG_CONFIG_HOME:-$HOME/.config}/Belvarium"
mkdir -p "$config"
printf '[comm]\nport=201\n' > "$config/alap.ini"
# The reader watches this shell's process, which exec turns into Belvarium.
build/tools/belvarium-simreader --port 201 --parent-pid $$ &
for _ in $(seq 50); do
  [ -e "${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -un)}/belvarium-ports/201" ] && break
  sleep 0.1
done
exec build/src/belvarium
