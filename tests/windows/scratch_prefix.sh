# Sourced by the scripts that run the Windows build under wine: a scratch prefix made here,
# kavrel-sim on Linux with its pseudo-terminal seen by the prefix as COM7, listed in the
# prefix's device list as a CH340 cable. Every process started here is ended by its id when
# the script ends, and the prefix removed.
#   make_prefix; start_simulator LINUX_BIN_DIR [kavrel-sim options]; the simulator's output
#   after its terminal line stays readable on descriptor $sim_out.
# Wine turns window titles into X text in the locale's character set, and xdotool matches
# them in it: the tests set their own UTF-8 locale rather than depend on the caller's.
export LC_ALL=C.UTF-8
# A step that fails names itself, rather than ending the test in silence under set -e; a
# wine run that does not end within wine_limit seconds is ended and fails (status 124).
wine_limit=${wine_limit:-120}
step_failed() {
    local status=$1 command=$2 i where=
    for ((i = 1; i < ${#BASH_SOURCE[@]}; i++)); do
        where+="${where:+, called from }${BASH_SOURCE[i]##*/} line ${BASH_LINENO[i - 1]}"
    done
    [ "$status" -ne 124 ] || status="124: not ended within $wine_limit s"
    echo "FAILED at $where: $command (status $status)" >&$report
}
exec {report}>&2  # the script's own standard error, whatever the failed step's was
set -o errtrace
trap 'step_failed $? "$BASH_COMMAND"' ERR
scratch=$(mktemp -d)
prefix=$scratch/prefix
sim_pid=
extra_pids=()
# Only wine's own processes get the prefix in their environment: this shell and its
# helpers never export it. No menu builder: it would copy the Start menu entries into this
# user's desktop menu, and while it reads a shortcut the uninstaller cannot delete it.
in_prefix() {
    timeout --foreground -k 5 "$wine_limit" env WINEPREFIX="$prefix" WINEDEBUG=-all \
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" "$@"
}
wine_pids() {
    grep -lsxzF "WINEPREFIX=$prefix" /proc/[0-9]*/environ | cut -d/ -f3 || true
}
finish() {
    [ -z "$sim_pid" ] || kill "$sim_pid" 2>/dev/null || true
    local pids
    pids=$(wine_pids)
    [ -z "$pids" ] || kill -KILL $pids 2>/dev/null || true
    [ ${#extra_pids[@]} -eq 0 ] || kill "${extra_pids[@]}" 2>/dev/null || true
    rm -rf "$scratch"
}
trap finish EXIT

make_prefix() {
    local start=$SECONDS
    in_prefix wineboot -i >/dev/null 2>&1
    echo "prefix made in $((SECONDS - start)) s"
}

# Plugs a simulated unit with these options into COM7, unplugging the one there before.
start_simulator() {
    local linux_bin=$1 terminal
    shift
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid"
        exec {sim_out}<&-
    fi
    exec {sim_out}< <(exec "$linux_bin/kavrel-sim" --no-register "$@")
    sim_pid=$!
    read -r -t 10 -u "$sim_out" terminal
    ln -sfn "$terminal" "$prefix/dosdevices/com7"
    local cable='HKLM\System\CurrentControlSet\Enum\USB\VID_1A86&PID_7523\5&kavrel&0&1'
    local ports_class='{4D36E978-E325-11CE-BFC1-08002BE10318}'
    in_prefix wine reg add "$cable" /v ClassGUID /d "$ports_class" /f >/dev/null
    in_prefix wine reg add "$cable" /v HardwareID /t REG_MULTI_SZ /d 'USB\VID_1A86&PID_7523' /f >/dev/null
    in_prefix wine reg add "$cable" /v FriendlyName /d 'USB-SERIAL CH341A (COM7)' /f >/dev/null
    in_prefix wine reg add "$cable\Device Parameters" /v PortName /d COM7 /f >/dev/null
}
