#!/usr/bin/env bash
# Packs the Windows programs built by the windows preset (whichever of Zorvik.exe,
# kavrelctl.exe and kavrel-configurator.exe are in its bin/) with a README in Russian and
# English: kavrel-configurator-VERSION-windows.zip for a portable copy, and the installer
# kavrel-configurator-VERSION-setup.exe (NSIS). Prints both paths. The same programs give
# the same bytes: every packed file is dated SOURCE_DATE_EPOCH (default: the commit's
# time), the zip holds its members in one order with no owner or time zone, and makensis
# keeps no time of its own (its stub's time stamp is fixed).
#   package-windows.sh [BUILD_DIR]   (default build-windows)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$source_dir/build-windows}")
for program in Zorvik.exe kavrelctl.exe; do
    [ -e "$build/bin/$program" ] || {
        echo "no $program in $build/bin: cmake --preset windows && cmake --build --preset windows" >&2
        exit 1
    }
done
command -v makensis >/dev/null && command -v zip >/dev/null || "$source_dir/scripts/install-deps.sh"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "$build/CMakeCache.txt gives no version" >&2; exit 1; }
name=kavrel-configurator-$version
staging=$build/package-windows/$name
rm -rf "$build/package-windows"
mkdir -p "$staging"
for program in Zorvik kavrelctl kavrel-configurator; do
    [ ! -e "$build/bin/$program.exe" ] || cp "$build/bin/$program.exe" "$staging/"
done
# Notepad of any Windows shows UTF-8 with a byte order mark and CRLF line ends.
{ printf '\xef\xbb\xbf'; sed "s/@VERSION@/$version/; s/\$/\r/" \
    "$source_dir/packaging/windows/README.txt"; } >"$staging/README.txt"

epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source_dir" log -1 --format=%ct 2>/dev/null || date +%s)}
chmod 644 "$staging"/*
chmod 755 "$staging"
touch -d "@$epoch" "$staging"/* "$staging"

zip_file=$build/$name-windows.zip
installer=$build/$name-setup.exe
rm -f "$zip_file" "$installer"
(cd "$build/package-windows" && find "$name" | LC_ALL=C sort | TZ=UTC zip -qX -@ "$zip_file")
makensis -V2 -DVERSION="$version" -DFILES="$staging" -DOUTFILE="$installer" \
    "$source_dir/packaging/windows/kavrel-configurator.nsi"
echo "$zip_file"
echo "$installer"
