#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the normal build, then
# the checked build (address, undefined-behaviour and leak sanitizers) and a
# short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j2
bash scripts/sanitize.sh
bash scripts/fuzz.sh short
