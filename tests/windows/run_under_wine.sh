#!/usr/bin/env bash
# Runs the Windows build's test programs under wine, in a scratch prefix made here, against
# kavrel-sim whose pseudo-terminal the prefix sees as COM7, listed in the prefix's device
# list as a CH340 cable. The test programs meet a unit that never answers command 47;
# kavrelctl.exe one that answers everything. Every process started here is ended by its id, the prefix removed.
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

scratch=$(mktemp -d)
prefix=$scratch/prefix
sim_pid=
# Only wine's own processes get the prefix in their environment: this shell and its
# helpers never export it.
in_prefix() {
    env WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}
wine_pids() {
    grep -lsxzF "WINEPREFIX=$prefix" /proc/[0-9]*/environ | cut -d/ -f3 || true
}
finish() {
    [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
    local pids
    pids=$(wine_pids)
    [ -z "$pids" ] || kill -KILL $pids 2>/dev/null || true
    rm -rf "$scratch"
}
trap finish EXIT

start=$SECONDS
in_prefix wineboot -i >/dev/null 2>&1
echo "prefix made in $((SECONDS - start)) s"

# Plugs a simulated unit with these options into COM7, unplugging the one there before.
plug_unit() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid"
        exec {sim_out}<&-
    fi
    exec {sim_out}< <(exec "$linux_bin/kavrel-sim" --no-register "$@")
    sim_pid=$!
    read -r -t 10 -u "$sim_out" terminal
    ln -sfn "$terminal" "$prefix/dosdevices/com7"
}
plug_unit --fault 47:no-answer
cable='HKLM\System\CurrentControlSet\Enum\USB\VID_1A86&PID_7523\5&kavrel&0&1'
ports_class='{4D36E978-E325-11CE-BFC1-08002BE10318}'
in_prefix wine reg add "$cable" /v ClassGUID /d "$ports_class" /f >/dev/null
in_prefix wine reg add "$cable" /v HardwareID /t REG_MULTI_SZ /d 'USB\VID_1A86&PID_7523' /f >/dev/null
in_prefix wine reg add "$cable" /v FriendlyName /d 'USB-SERIAL CH341A (COM7)' /f >/dev/null
in_prefix wine reg add "$cable\Device Parameters" /v PortName /d COM7 /f >/dev/null

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
plug_unit --address 37 --version 12
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
in_prefix wine "$installed/uninstall.exe" /S
# The uninstaller runs from a copy of itself that ends after the one started here.
for _ in $(seq 100); do
    [ -e "$installed" ] || break
    sleep 0.2
done
for left in "$installed" "$start_menu"; do
    [ ! -e "$left" ] || fail "left after uninstalling: $left"
done
! in_prefix wine reg query "$uninstall_key" >/dev/null 2>&1 ||
    fail "left after uninstalling: $uninstall_key"
echo "installer: $((SECONDS - start)) s under wine"
exit $failed
