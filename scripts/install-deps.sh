#!/usr/bin/env bash
# Installs what building, running and testing Tolvane needs. Idempotent: packages already
# present are skipped, and apt-get update runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-wine
  libgmime-3.0-dev zlib1g-dev libisal-dev unicode-data
  libarchive-dev nlohmann-json3-dev libical-dev libjemalloc-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  pst-utils pff-tools python3-pypff python3
  xvfb xauth x11-apps imagemagick
  dpkg-dev fakeroot lintian appstream desktop-file-utils man-db util-linux mount
  valgrind linux-perf hyperfine strace
)

here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=apt-packages.sh
source "$here/scripts/apt-packages.sh"
mapfile -t missing < <(missing_packages "${packages[@]}")
# Some machines carry a node build that bundles npm; Debian's npm would clash with it.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
install_packages install-deps "${missing[@]}"

# The npm PST reader used by the round-trip tests; kept inside the repo's tools folder.
if [ ! -d "$here/tools/node/node_modules/pst-extractor" ]; then
  echo "install-deps: installing pst-extractor from npm"
  (cd "$here/tools/node" && npm install --no-audit --no-fund --silent)
fi
