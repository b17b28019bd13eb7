#!/usr/bin/env bash
# Renders the pictures at the top of README.md from the built programs, so that they show
# the window as it is: docs/configurator-linux.png (the Qt window on a virtual display
# beside kavrel-sim, after "Чтение") and docs/configurator-windows.png (the Win32 window
# under wine, after the same read, taken by the Windows window test). Both are indexed
# PNGs of at most 64 colours.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target kavrel-configurator Zorvik kavrel-sim
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$(nproc)" --target kavrel-configurator Zorvik kavrelctl
mkdir -p docs
export LC_ALL=C.UTF-8
limit=20

work=$(mktemp -d "${TMPDIR:-/tmp}/kavrel-screenshots-XXXXXX")
pids=()  # ended last to first
end() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill -TERM "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap end EXIT

exec {display_out}< <(exec Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp 2>/dev/null)
pids+=($!)
read -r -t "$limit" -u "$display_out" display
export DISPLAY=:$display XDG_RUNTIME_DIR=$work KAVREL_CABLE_REGISTRY=$work/registry
mkdir -p -m 700 "$KAVREL_CABLE_REGISTRY"

coproc SIM { exec build/bin/kavrel-sim --log --mode 2 --address 17; }
pids+=("$SIM_PID")
read -r -t "$limit" _ <&"${SIM[0]}"
QT_QPA_PLATFORM=xcb build/bin/kavrel-configurator &
pids+=($!)
window=$(timeout "$limit" xdotool search --sync --onlyvisible --pid "$!" | head -n 1)
# "Чтение" (btnRead) lies at 300, 155 and is 84 x 19; the read ends with the volume.
xdotool mousemove --window "$window" 342 164 click 1
while read -r -t "$limit" line <&"${SIM[0]}" && [ "$line" != "request 32 00" ]; do :; done
for ((waited = 0; waited < limit * 10; ++waited)); do
    xdotool search --onlyvisible --name "^Обмен данными\$" >/dev/null || break
    sleep 0.1
done
import -window "$window" "$work/linux.png"
tests/windows/configurator_window.sh build/bin build-windows "$work/windows"
mv "$work/windows-read.png" "$work/windows.png"

for name in linux windows; do
    pngquant --force --strip --output "docs/configurator-$name.png" 64 "$work/$name.png"
    echo "docs/configurator-$name.png"
done
