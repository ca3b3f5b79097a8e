#!/usr/bin/env bash
# Installs what is missing, builds, prepares the library database like an
# installer would, and starts Pavoline Beacon Control.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
./build/tools/pvbcs-initdb
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found. To run without a screen, start it under a virtual one:" >&2
  echo "  apt-get install -y xvfb xauth && xvfb-run -a bash scripts/run.sh" >&2
  exit 1
fi
exec ./build/src/app/pvbcs
