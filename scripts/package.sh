#!/usr/bin/env bash
# Builds the Debian package build-package/pvbcs_<version>_<arch>.deb and its
# debug symbols, build-package/pvbcs-dbgsym_<version>_<arch>.ddeb: only what is
# shipped (no tests, no benchmarks), in a build folder of its own, with the
# compiler and linker flags of Debian's own builds (dpkg-buildflags, with all
# hardening: PIE, RELRO, BIND_NOW, FORTIFY, stack protector). lintian, where
# it is installed, then checks the package.
# Install it with: sudo apt install ./build-package/pvbcs_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-package
bash scripts/deps.sh package

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Optimisation and debug information come from dpkg-buildflags alone.
cmake -S . -B "$build" "${launcher[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-DNDEBUG" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
  -DBUILD_TESTING=OFF -DPVBCS_BUILD_BENCHES=OFF -DPVBCS_SANITIZE=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/pvbcs_*.deb "$build"/pvbcs-dbgsym_*.ddeb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/pvbcs_*.deb)
ddeb=$(ls "$build"/pvbcs-dbgsym_*.ddeb)

# Every program as hardened as asked: position-independent, read-only
# relocations bound at start, and built with the fortified functions.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb --extract "$deb" "$unpacked"
for program in "$unpacked"/usr/bin/*; do
  name=${program##*/}
  LC_ALL=C readelf -hW "$program" | grep -q 'Type:.*DYN' || { echo "$name is not PIE" >&2; exit 1; }
  LC_ALL=C readelf -lW "$program" | grep -q GNU_RELRO || { echo "$name has no RELRO" >&2; exit 1; }
  LC_ALL=C readelf -dW "$program" | grep -Eq 'BIND_NOW|FLAGS.*NOW' || { echo "$name has no BIND_NOW" >&2; exit 1; }
done
grep -q -- '-D_FORTIFY_SOURCE=2' "$build"/CMakeCache.txt || { echo "not built with FORTIFY" >&2; exit 1; }

echo "$deb"
echo "$ddeb"
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning --info --display-info "$deb" "$ddeb"
fi
