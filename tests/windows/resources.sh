#!/usr/bin/env bash
# The resources linked into the three Windows programs, read back from the built files with
# wrestool: the manifest (visual style, DPI awareness, UTF-8, Windows 10 and 11), the version
# resource (product, version, publisher, file name) and, in the configurator, its icon in
# every size Windows asks for.
#   resources.sh WINDOWS_BUILD_DIR
set -euo pipefail
export LC_ALL=C
bin=$1/bin
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt")
failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}
manifest_says=(
    'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"'
    '<dpiAware [^>]*>true</dpiAware>'
    '<dpiAwareness [^>]*>PerMonitorV2, System</dpiAwareness>'
    '<activeCodePage [^>]*>UTF-8</activeCodePage>'
    '<supportedOS Id="\{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a\}"/>'
    'level="asInvoker"'
)
for program in kavrel-configurator kavrelctl Zorvik; do
    exe=$bin/$program.exe
    [ -e "$exe" ] || { fail "no $exe"; continue; }
    manifest=$(wrestool -x --raw --type=24 --name=1 "$exe")
    for pattern in "${manifest_says[@]}"; do
        grep -Eq "$pattern" <<<"$manifest" || fail "$program.exe's manifest lacks /$pattern/"
    done
    # The version resource's texts are UTF-16; each name, after its binary lengths, is
    # followed by its value.
    strings=$(wrestool -x --raw --type=16 "$exe" | iconv -f UTF-16LE -t UTF-8 | tr '\0' '\n' |
        grep -v '^$')
    for pair in "ProductName Kavrel Configurator" "ProductVersion $version" \
        "FileVersion $version" "CompanyName Kavrel" "OriginalFilename $program.exe"; do
        grep -A1 -E "(^|[^[:alnum:]])${pair%% *}\$" <<<"$strings" | tail -n 1 | grep -qx "${pair#* }" ||
            fail "$program.exe's version resource lacks ${pair%% *} = ${pair#* }"
    done
    grep -A1 -E "(^|[^[:alnum:]])FileDescription\$" <<<"$strings" | tail -n 1 | grep -q Kavrel ||
        fail "$program.exe's version resource has no description"
done
sizes=$(wrestool -x --type=14 "$bin/kavrel-configurator.exe" >"${TMPDIR:-/tmp}/kavrel-$$.ico" &&
    icotool -l "${TMPDIR:-/tmp}/kavrel-$$.ico" | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | sort -n |
    xargs)
rm -f "${TMPDIR:-/tmp}/kavrel-$$.ico"
[ "$sizes" = "16 24 32 48 64 256" ] || fail "the configurator's icon has the sizes '$sizes'"
[ "$failed" -eq 0 ] && echo "manifest, version $version and icon in the three programs"
exit $failed
