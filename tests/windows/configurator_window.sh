#!/usr/bin/env bash
# kavrel-configurator.exe, installed by the installer under wine, on a virtual X display with
# no window manager: wndMain opens with its title and client size, "Чтение" reads the simulated unit on COM7 (found
# through Zorvik.exe) in the read order, and closing wndMain ends the program with code 0.
# With no window manager a window's X window is exactly its client area.
#   configurator_window.sh LINUX_BIN_DIR WINDOWS_BUILD_DIR [SCREENSHOT.png]
set -euo pipefail
linux_bin=$1
program=$2/bin/kavrel-configurator.exe
screenshot=${3:-}
limit=60
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
[ -e "$program" ] || fail "no $program: cmake --preset windows && cmake --build --preset windows"

source "$(dirname "$0")/scratch_prefix.sh"
exec {display_out}< <(exec Xvfb -displayfd 1 -screen 0 800x600x24 -nolisten tcp 2>/dev/null)
extra_pids+=($!)
read -r -t 10 -u "$display_out" display || fail "Xvfb did not start"
export DISPLAY=:$display
make_prefix
start_simulator "$linux_bin" --log --mode 2 --address 17
# The configurator as a technician gets it: the installer, run silently, puts it beside
# Zorvik.exe in Program Files.
installer=$("$(dirname "$0")/../../scripts/package-windows.sh" "$2" | tail -n 1)
in_prefix wine "$installer" /S
program="$prefix/drive_c/Program Files/Kavrel Configurator/kavrel-configurator.exe"
[ -e "$program" ] || fail "the installer left no $program"

in_prefix wine "$program" &
app=$!
title="Конфигуратор Kavrel V2.4"
window=$(timeout "$limit" xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1) ||
    fail "wndMain did not appear"
size=$(xdotool getwindowgeometry "$window" | sed -n 's/^ *Geometry: //p')
[ "$size" = 396x278 ] || fail "wndMain's client area is $size, not 396x278"

# "Чтение" (btnRead) lies at 300, 155 and is 84 x 19.
xdotool mousemove --window "$window" 342 164 click 1
# The class check, the start of the read, then mode, address, indication, pulse time,
# sound off, sound type and volume.
expected="2E 33 29 2D 27 28 2A 2B 32"
requests=()
while [ "${#requests[@]}" -lt 9 ]; do
    read -r -t "$limit" line <&"$sim_out" || fail "the read stopped after: ${requests[*]}"
    requests+=("${line#request }")
done
[ "${requests[*]}" = "$(sed 's/\([0-9A-F]*\)/\1 00/g' <<<"$expected")" ] ||
    fail "the read sent: ${requests[*]}"

# The read has ended once the exchange window is gone.
for ((waited = 0; waited < limit * 10; ++waited)); do
    xdotool search --onlyvisible --name "^Обмен данными\$" >/dev/null || break
    sleep 0.1
done
[ -z "$screenshot" ] || import -window "$window" "$screenshot"
# wndMain refuses to close until the session has ended, so the close request (taskkill
# without /F posts WM_CLOSE to the program's windows) is repeated until the program ends.
for ((tries = 0; tries < limit; ++tries)); do
    in_prefix wine taskkill /IM kavrel-configurator.exe >/dev/null 2>&1 || true
    ! timeout 1 tail --pid="$app" -f /dev/null || break
done
code=0
wait "$app" || code=$?
[ "$tries" -lt "$limit" ] || fail "the program did not end"
[ "$code" -eq 0 ] || fail "the program ended with code $code"
echo "read through kavrel-configurator.exe under wine: ${requests[*]}"
