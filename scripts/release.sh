#!/usr/bin/env bash
# Builds every release artefact of the commit checked out into one folder,
# build-release/kavrel-configurator-VERSION/: both Debian packages (checked with lintian),
# the Windows zip and installer, and SHA256SUMS over them. Prints the folder and its sums.
# Every date the build writes is the commit's (SOURCE_DATE_EPOCH), so the same commit gives
# the same bytes wherever and whenever it is built; uncommitted changes are not part of it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "release: uncommitted changes are built in; the artefacts will not match the commit" >&2

scripts/package.sh
cmake --preset windows
cmake --build --preset windows -j"$(nproc)" --target kavrel-configurator Zorvik kavrelctl
scripts/package-windows.sh build-windows

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
folder=$PWD/build-release/kavrel-configurator-$version
rm -rf "$folder"
mkdir -p "$folder"
cp build/kavrel-configurator_"$version"_amd64.deb build/kavrel-sim_"$version"_amd64.deb \
    build-windows/kavrel-configurator-"$version"-windows.zip \
    build-windows/kavrel-configurator-"$version"-setup.exe "$folder/"
(cd "$folder" && sha256sum -- *.deb *.zip *.exe >SHA256SUMS)
echo
echo "$folder"
cat "$folder/SHA256SUMS"
