#!/usr/bin/env bash
# Builds the Debian packages kavrel-configurator and kavrel-sim from the default preset,
# checks them with lintian and prints their paths. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default
cmake --build --preset default -j"$(nproc)" --target kavrel-configurator kavrelctl Zorvik kavrel-sim \
    kavrel_packaging_files
rm -f build/kavrel-configurator_*.deb build/kavrel-sim_*.deb
# cpack gives the members of a .deb the modes of the files it writes.
(cd build && umask 022 && cpack -G DEB)

packages=(build/kavrel-configurator_*.deb build/kavrel-sim_*.deb)
# Errors fail the script; warnings are shown.
lintian --fail-on error "${packages[@]}"
for package in "${packages[@]}"; do
    realpath "$package"
done
