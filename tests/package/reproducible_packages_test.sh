#!/usr/bin/env bash
# A package step run twice over one build, a second apart and the second under another umask,
# gives the same bytes, as scripts/release.sh runs it (SOURCE_DATE_EPOCH from the commit):
# both Debian packages (deb BUILD_DIR), or the Windows zip and installer (windows
# WINDOWS_BUILD_DIR).
#   reproducible_packages_test.sh deb|windows BUILD_DIR
set -euo pipefail
kind=$1
build=$2
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kavrel-reproducible-XXXXXX")
trap 'rm -rf "$work"' EXIT
SOURCE_DATE_EPOCH=$(git -C "$source_dir" log -1 --format=%ct)
export SOURCE_DATE_EPOCH

# Packs into the folder $1.
package() {
    mkdir -p "$1"
    if [ "$kind" = deb ]; then
        # as scripts/package.sh: cpack gives the members of a .deb the modes of its files
        (umask 022 && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$1/cpack" >/dev/null)
        mv "$1"/cpack/*.deb "$1/"
    else
        "$source_dir/scripts/package-windows.sh" "$build" | xargs -d '\n' cp -t "$1/"
    fi
}
package "$work/first"
sleep 1.1
(umask 027 && package "$work/second")

artefacts=("$work"/first/*.*)
[ "${#artefacts[@]}" -eq 2 ] || { echo "FAIL: packed ${artefacts[*]##*/}" >&2; exit 1; }
failed=0
for artefact in "${artefacts[@]}"; do
    name=${artefact##*/}
    if cmp "$artefact" "$work/second/$name"; then
        echo "$name: the same $(stat -c %s "$artefact") bytes twice"
    else
        echo "FAIL: $name differs between two package steps" >&2
        failed=1
    fi
done
exit "$failed"
