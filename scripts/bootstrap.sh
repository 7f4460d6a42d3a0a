#!/usr/bin/env bash
# Installs what Belvarium needs to build and run on Debian 12, when missing.
set -euo pipefail
packages=(cmake make g++ qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-translations-l10n
          libgl-dev fonts-liberation
          # packaging and its check; librsvg2-bin only for scripts/make-icons.sh
          desktop-file-utils appstream dpkg-dev file lintian librsvg2-bin
          # the Windows icon: made by scripts/make-icons.sh, checked in the Windows program
          icoutils)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
