#!/usr/bin/env bash
# Builds everything and runs every test:
#   1. the whole suite offscreen, the Debian packages unpacked and run as an ordinary user
#      on a virtual display, the Windows build's test programs under wine, then the fault
#      soak alone (60 s);
#   2. the whole suite again, soak included (30 s), under Address and UB sanitizers;
#   3. the toolkit-free suites (link, configuration, Zorvik, simulator) and the soak (30 s)
#      under ThreadSanitizer;
#   4. each fuzz target for FUZZ_SECONDS (60 s).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

build() {
    cmake --preset "$1"
    cmake --build --preset "$1" -j"$(nproc)"
}

build default
ctest --preset default
ctest --preset package
build windows
ctest --preset windows
ctest --preset soak

build asan
ctest --preset asan

build tsan
ctest --preset tsan

scripts/fuzz.sh
