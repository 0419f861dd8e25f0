#!/usr/bin/env bash
# Installs what building, running and testing Tolvane needs. Idempotent: packages already
# present are skipped, and apt-get update runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-wine
  libgmime-3.0-dev zlib1g-dev libisal-dev unicode-data
  libgtest-dev libgmock-dev libbenchmark-dev
  pst-utils pff-tools python3-pypff python3
  xvfb xauth x11-apps imagemagick
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

# Some machines carry a node build that bundles npm; Debian's npm would clash with it.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)

if [ "${#missing[@]}" -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The npm PST reader used by the round-trip tests; kept inside the repo's tools folder.
here=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -d "$here/tools/node/node_modules/pst-extractor" ]; then
  echo "install-deps: installing pst-extractor from npm"
  (cd "$here/tools/node" && npm install --no-audit --no-fund --silent)
fi
