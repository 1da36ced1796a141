#!/usr/bin/env bash
# Installs the Debian packages Phreatix builds and runs with, where missing.
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config qt6-base-dev libqt6opengl6-dev libgtest-dev libgmock-dev
          libbenchmark-dev libcli11-dev zip qt6-translations-l10n
          # the results: packed tubes, the map layer, the charts, the report check
          libzip-dev libgdal-dev gdal-bin qt6-charts-dev chromium
          # the Gamma response of the extended model (regularised incomplete gamma function)
          libboost-math-dev
          # the walk through the desktop under a real X server
          xvfb openbox xdotool x11-utils imagemagick)
# The cluster test's one-node Slurm (scripts/slurm-local.sh), where asked for.
if [ "${PHREATIX_INSTALL_SLURM:-0}" = 1 ]; then packages+=(slurm-wlm munge); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if [ "${PHREATIX_SKIP_APT_UPDATE:-0}" != 1 ]; then "${sudo[@]}" apt-get update -q; fi
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" < /dev/null
