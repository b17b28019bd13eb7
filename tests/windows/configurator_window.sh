#!/usr/bin/env bash
# kavrel-configurator.exe, installed by the installer under wine, on a virtual X display with
# no window manager: wndMain opens with its title and client size; Tab from "Ведомый" goes to
# the address, and "Запись" then writes slave mode and the typed address; "Чтение" reads the
# simulated unit on COM7 (found through Zorvik.exe) in the read order and leaves wndMain
# the window with the keyboard; closing wndMain ends the program with code 0. Then again at
# 144 dpi: wndMain 1.5 times as large, and no caption cut that is whole at 96 dpi. The
# window's in-process test runs at both scales first. A settings file named on the command
# line is what "Запись" then sends; a broken one shows its box and leaves the start-up form.
# With no window manager a window's X window is exactly its client area.
#   configurator_window.sh LINUX_BIN_DIR WINDOWS_BUILD_DIR [SCREENSHOT_PREFIX]
set -euo pipefail
linux_bin=$1
program=$2/bin/kavrel-configurator.exe
window_test=$2/tests/windows/win32_window_test.exe
shots=${3:-}
limit=60
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
for built in "$program" "$window_test"; do
    [ -e "$built" ] || fail "no $built: cmake --preset windows && cmake --build --preset windows"
done

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

title="Конфигуратор Kavrel V2.4"
# Starts the program (with its arguments) and waits for wndMain: its X window in $window, its client area at
# $origin (x y) and $size.
start_program() {
    in_prefix wine "$program" "$@" &
    app=$!
    window=$(timeout "$limit" xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1) ||
        fail "wndMain did not appear"
    local geometry
    geometry=$(xdotool getwindowgeometry "$window")
    size=$(sed -n 's/^ *Geometry: //p' <<<"$geometry")
    origin=$(sed -n 's/^ *Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p' <<<"$geometry")
}
# wndMain refuses to close until the session has ended, so the close request (taskkill
# without /F posts WM_CLOSE to the program's windows) is repeated until the program ends.
close_program() {
    local tries code=0
    for ((tries = 0; tries < limit; ++tries)); do
        in_prefix wine taskkill /IM kavrel-configurator.exe >/dev/null 2>&1 || true
        ! timeout 1 tail --pid="$app" -f /dev/null || break
    done
    wait "$app" || code=$?
    [ "$tries" -lt "$limit" ] || fail "the program did not end"
    [ "$code" -eq 0 ] || fail "the program ended with code $code"
}
# The next COUNT requests the unit received, into $requests.
take_requests() {
    local line
    requests=()
    while [ "${#requests[@]}" -lt "$1" ]; do
        read -r -t "$limit" line <&"$sim_out" || fail "the unit got only: ${requests[*]}"
        requests+=("${line#request }")
    done
}
# Waits until no window of this title is shown (at most $limit seconds).
wait_gone() {
    local waited
    for ((waited = 0; waited < limit * 10; ++waited)); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null || return 0
        sleep 0.1
    done
}
# Clicks the control at the centre of the rectangle x y w h of wndMain's layout.
click() {
    xdotool mousemove --window "$window" $((($1 + $3 / 2) * scale / 2)) \
        $((($2 + $4 / 2) * scale / 2)) click 1
}
# Names the captions a screenshot of wndMain shows cut off.
cut_captions() {
    import -window root "$scratch/shot.png"
    [ -z "$shots" ] || cp "$scratch/shot.png" "$shots-$1dpi.png"
    "$(dirname "$0")/cut_captions.py" "$scratch/shot.png" $origin "$2"
}

in_prefix wine "$window_test" || fail "the window's in-process test failed at 96 dpi"
scale=2  # in halves
start_program
[ "$size" = 396x278 ] || fail "wndMain's client area is $size, not 396x278"
cut_at_96=$(cut_captions 96 1)

# Tab from "Ведомый" passes "Автономный" over to the address field, where 7 is typed;
# "Запись" then writes slave mode (35 01) and address 7 (44 07).
click 14 26 90 17
xdotool key Tab type 7
click 300 130 84 19
take_requests 16
[[ " ${requests[*]} " == *" 23 01 "* && " ${requests[*]} " == *" 2C 07 "* ]] ||
    fail "after Tab and 7 the write sent: ${requests[*]}"

click 300 155 84 19  # "Чтение"
# The class check, the start of the read, then mode, address, indication, pulse time,
# sound off, sound type and volume.
expected="2E 33 29 2D 27 28 2A 2B 32"
take_requests 9
[ "${requests[*]}" = "$(sed 's/\([0-9A-F]*\)/\1 00/g' <<<"$expected")" ] ||
    fail "the read sent: ${requests[*]}"
# The read has ended once the exchange window is gone. wndMain is then the active window
# with its focus back on "Чтение": the space bar reads again.
wait_gone "Обмен данными"
xdotool key space
take_requests 9
[ "${requests[*]}" = "$(sed 's/\([0-9A-F]*\)/\1 00/g' <<<"$expected")" ] ||
    fail "the space bar after the read sent: ${requests[*]}"
wait_gone "Обмен данными"
[ -z "$shots" ] || import -window "$window" "$shots-read.png"
close_program
echo "written and read through kavrel-configurator.exe under wine: ${requests[*]}"

# A settings file given on the command line, as Explorer gives a double-clicked one, then
# "Запись": the unit gets the file's bytes, those no list entry shows included. A broken
# file shows its box and leaves the start-up form, which "Запись" then sends.
written() {  # the settings the next write sends, after the class query
    click 300 130 84 19
    take_requests 16
    [ "${requests[*]:1:7}" = "$1" ] || fail "with $2 the write sent: ${requests[*]}"
}
printf '%s' '{"mode": "slave", "address": 17, "indication": {"byte": 11}, "pulse_time":
    {"byte": 21}, "sound_off": {"byte": 2}, "sound_type": 3, "volume": {"byte": 128}}' \
    >"$prefix/drive_c/unit.kavrel"
start_program 'C:\unit.kavrel'
written "23 01 2C 11 21 0B 22 15 24 02 25 03 31 80" "C:\\unit.kavrel"
close_program
printf '{"mode": ' >"$prefix/drive_c/broken.kavrel"
start_program 'C:\broken.kavrel'
box=$(timeout "$limit" xdotool search --sync --onlyvisible --name '^Ошибка$' | head -n 1) ||
    fail "a broken file showed no box"
xdotool windowactivate --sync "$box" key Return 2>/dev/null || xdotool key Return
wait_gone Ошибка
written "23 01 2C 00 21 03 22 0A 24 00 25 01 31 FF" "a broken file"
close_program
echo "a settings file given to kavrel-configurator.exe was written; a broken one was refused"

# The same at 144 dpi, which wine takes from the registry when a program starts.
in_prefix wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
in_prefix wineserver -w
in_prefix wine "$window_test" || fail "the window's in-process test failed at 144 dpi"
scale=3
start_program
[ "$size" = 594x417 ] || fail "wndMain's client area at 144 dpi is $size, not 594x417"
cut_at_144=$(cut_captions 144 1.5)
for caption in $cut_at_144; do
    [[ " $cut_at_96 " == *" $caption "* ]] || fail "$caption is cut at 144 dpi, whole at 96"
done
close_program
echo "captions cut at 96 dpi: $cut_at_96; at 144 dpi: $cut_at_144"
