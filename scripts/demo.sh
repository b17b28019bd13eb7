#!/usr/bin/env bash
# Builds the three programs, then opens the configurator beside a simulated unit: kavrel-sim runs
# on a pseudo-terminal that it registers as a cable, so Zorvik lists it and the
# configurator finds it like a CH340 cable. The simulator ends with the configurator.
# Options are passed to kavrel-sim (see build/bin/kavrel-sim --help), for example
#   scripts/demo.sh --mode 2 --address 17
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default
cmake --build --preset default -j"$(nproc)" --target kavrel-configurator Zorvik kavrel-sim

bin="$PWD/build/bin"
sim_pid=""
app_pid=""

# Every way out (the configurator closed, a failure, Ctrl+C, a kill of this script) ends
# the configurator if it still runs, then the simulator, each by its own process id.
end_programs() {
    local pid
    for pid in "$app_pid" "$sim_pid"; do
        if [ -n "$pid" ]; then
            kill -TERM "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
}
trap end_programs EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

# The simulator prints its terminal's path as its first line once it is registered.
coproc SIM { exec "$bin/kavrel-sim" "$@"; }
sim_pid=$SIM_PID
if ! read -r -t 10 pty <&"${SIM[0]}"; then
    echo "demo: kavrel-sim did not start" >&2
    exit 1
fi
echo "demo: simulated unit on $pty (pid $sim_pid)"

# Waited for in the background, so that a signal to this script is handled at once.
"$bin/kavrel-configurator" &
app_pid=$!
status=0
wait "$app_pid" || status=$?
app_pid=""
exit "$status"
