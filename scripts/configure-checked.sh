#!/usr/bin/env bash
# Configures the checked build, build-sanitize: clang under AddressSanitizer,
# UndefinedBehaviorSanitizer and LeakSanitizer, with the fuzz targets.
# -O1 with line tables: reports name file and line, the build stays quick on
# two cores and the instrumented programs still run at a fair speed.
set -euo pipefail
cd "$(dirname "$0")/.."
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CXX=clang++-14 cmake -S . -B build-sanitize "${launcher[@]}" -DPVBCS_SANITIZE=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" >/dev/null
