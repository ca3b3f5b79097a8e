#!/usr/bin/env bash
# Builds the Debian package build/pvbcs_<version>_<arch>.deb: installs what is
# missing, builds, and packs what "cmake --install" installs under /usr.
# Install it with: sudo apt install ./build/pvbcs_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
(cd build && cpack -G DEB)
ls -1 build/pvbcs_*.deb
