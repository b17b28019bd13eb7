#!/usr/bin/env bash
# Runs the Windows build's test programs under wine against kavrel-sim as COM7 (see
# scratch_prefix.sh): the test programs meet a unit that never answers command 47,
# kavrelctl.exe and the installed package one that answers everything.
#   run_under_wine.sh LINUX_BIN_DIR WINDOWS_BUILD_DIR
set -euo pipefail
linux_bin=$1
windows_build=$2
programs=("$windows_build"/tests/*.exe)
[ -e "${programs[0]}" ] || {
    echo "no Windows test programs in $windows_build/tests:" \
        "cmake --preset windows && cmake --build --preset windows" >&2
    exit 1
}

source "$(dirname "$0")/scratch_prefix.sh"
make_prefix
start_simulator "$linux_bin" --fault 47:no-answer

failed=0
fail() {
    echo "$*" >&2
    failed=1
}
for program in "${programs[@]}"; do
    start=$SECONDS
    in_prefix KAVREL_TEST_PORT=COM7 wine "$program" || failed=1
    echo "$(basename "$program"): $((SECONDS - start)) s under wine"
done

# kavrelctl.exe finds the unit through Zorvik.exe beside it, or is given its port.
start_simulator "$linux_bin" --address 37 --version 12
# Runs a program under wine and fails the test unless its output matches PATTERN.
expect() {
    local pattern=$1 output
    shift
    output=$(in_prefix wine "$@" | tr -d '\r') && grep -Eq "$pattern" <<<"$output" ||
        fail "$(basename "$1") ${*:2}: expected /$pattern/, got:"$'\n'"$output"
}
start=$SECONDS
expect '"address": 37,' "$windows_build/bin/kavrelctl.exe" read --json
expect '^firmware_version +12$' "$windows_build/bin/kavrelctl.exe" --port COM7 info
# Its arguments and file names are UTF-8 (the manifest's code page): a profile with a
# Cyrillic name is written under that name and read back to write the unit.
expect '^address +37' "$windows_build/bin/kavrelctl.exe" read -o 'C:\профиль Каврел.json'
grep -q '"address": 37' "$prefix/drive_c/профиль Каврел.json" ||
    fail "kavrelctl.exe read -o left no C:\\профиль Каврел.json"
expect '^$' "$windows_build/bin/kavrelctl.exe" write 'C:\профиль Каврел.json'
echo "kavrelctl.exe: $((SECONDS - start)) s under wine"

# The installer, run silently, puts the packed files together in Program Files, where
# kavrelctl.exe finds the unit through the Zorvik.exe beside it; the uninstaller takes
# everything away again.
start=$SECONDS
installer=$("$(dirname "$0")/../../scripts/package-windows.sh" "$windows_build" | tail -n 1)
packed=("$windows_build"/package-windows/*/*)
installed="$prefix/drive_c/Program Files/Kavrel Configurator"
start_menu="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Kavrel"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KavrelConfigurator'
in_prefix wine "$installer" /S
for file in "${packed[@]}"; do
    cmp -s "$file" "$installed/${file##*/}" || fail "not installed as packed: ${file##*/}"
done
[ -e "$start_menu/README.lnk" ] || fail "no Start menu entry"
[ ! -e "$installed/kavrel-configurator.exe" ] || [ -e "$start_menu/Kavrel Configurator.lnk" ] ||
    fail "no Start menu entry for the configurator"
expect '^firmware_version +12$' "$installed/kavrelctl.exe" info
# Add/Remove Programs shows the configurator's icon, the version, the publisher and a size.
entry=$(in_prefix wine reg query "$uninstall_key" | tr -d '\r')
for pattern in 'DisplayIcon +REG_SZ +.*\\kavrel-configurator\.exe,0$' \
    "DisplayVersion +REG_SZ +$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' \
        "$windows_build/CMakeCache.txt")\$" \
    'Publisher +REG_SZ +Kavrel$' 'EstimatedSize +REG_DWORD +0x[0-9a-f]*[1-9a-f][0-9a-f]*$'; do
    grep -Eq "$pattern" <<<"$entry" || fail "no /$pattern/ in the uninstall entry:"$'\n'"$entry"
done
# .kavrel files open in the installed configurator.
[ ! -e "$installed/kavrel-configurator.exe" ] ||
    in_prefix wine reg query 'HKLM\Software\Classes\Kavrel.Settings\shell\open\command' |
    grep -q 'kavrel-configurator\.exe" "%1"' || fail ".kavrel does not open in the configurator"
in_prefix wine "$installed/uninstall.exe" /S
# The uninstaller goes on in a copy of itself after the one started here has ended: wait
# until no program of the prefix runs any more.
in_prefix wineserver -w
for left in "$installed" "$start_menu"; do
    [ ! -e "$left" ] || fail "left after uninstalling: $left"
done
for key in "$uninstall_key" 'HKLM\Software\Classes\.kavrel' 'HKLM\Software\Classes\Kavrel.Settings'; do
    ! in_prefix wine reg query "$key" >/dev/null 2>&1 || fail "left after uninstalling: $key"
done
echo "installer: $((SECONDS - start)) s under wine"
exit $failed
