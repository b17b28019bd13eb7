#!/usr/bin/env bash
# Builds everything and runs every test: the whole suite offscreen, then the
# toolkit-free suites (link, configuration, Zorvik, simulator) again under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default
cmake --build --preset default -j"$(nproc)"
ctest --preset default
cmake --preset tsan
cmake --build --preset tsan -j"$(nproc)"
ctest --preset tsan
