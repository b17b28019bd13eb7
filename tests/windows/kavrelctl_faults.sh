#!/usr/bin/env bash
# kavrelctl.exe under wine where something is wrong (see scratch_prefix.sh): no cable at
# all, a cable that comes off during a read, a program folder it may not write to, and
# Ctrl+C during an exchange.
#   kavrelctl_faults.sh LINUX_BIN_DIR WINDOWS_BUILD_DIR
set -euo pipefail
linux_bin=$1
bin=$2/bin
[ -e "$bin/kavrelctl.exe" ] || {
    echo "no $bin/kavrelctl.exe: cmake --preset windows && cmake --build --preset windows" >&2
    exit 1
}

source "$(dirname "$0")/scratch_prefix.sh"
locked=$scratch/locked
# The locked folder opens again before the scratch folder goes.
trap '[ ! -d "$locked" ] || chattr -i "$locked" 2>/dev/null || true; finish' EXIT
make_prefix

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}
# Runs a program under wine; fails the test unless it ends with CODE and its output holds
# TEXT, lines and all.
expect() {
    local code=$1 text=$2 output status=0
    shift 2
    output=$(in_prefix timeout 60 wine "$@" 2>&1 | tr -d '\r') || status=$?
    [ "$status" -eq "$code" ] && [[ $output == *"$text"* ]] ||
        fail "$(basename "$1") ${*:2}: expected code $code and"$'\n'"$text"$'\n'"got code $status and"$'\n'"$output"
}
start=$SECONDS

# Nothing is mapped to a COM port and the device list holds no adapter.
expect 3 "Ошибка: Выполнить команду не удалось!!!
Конфигуратор не видит соединительного кабеля.

Кабель не подключён к компьютеру. Вставьте кабель CH340 или Prolific в разъём USB и повторите." \
    "$bin/kavrelctl.exe" read

# The registered CH340's line goes dead when 2D, the fourth command of a read, arrives.
start_simulator "$linux_bin" --fault 45:pull-cable
expect 4 "Ошибка: Выполнить команду не удалось!!!
Устройство не отвечает

Кабель отсоединился во время обмена. Подключите его снова и повторите операцию." \
    "$bin/kavrelctl.exe" read

# In a folder this user may not write to, the port list goes to %LOCALAPPDATA%\Kavrel. Root
# writes to any folder its mode forbids, but not to an immutable one.
start_simulator "$linux_bin"
mkdir "$locked"
cp "$bin/kavrelctl.exe" "$bin/Zorvik.exe" "$locked/"
if [ "$(id -u)" -eq 0 ]; then chattr +i "$locked"; else chmod a-w "$locked"; fi
expect 0 "port: COM7" "$locked/kavrelctl.exe" ports
lists=("$prefix"/drive_c/users/*/AppData/Local/Kavrel/listport.txt)
[ -e "${lists[0]}" ] || fail "no listport.txt under %LOCALAPPDATA%\\Kavrel"
[ ! -e "$locked/listport.txt" ] || fail "listport.txt written to the locked folder"

# Wine turns SIGINT to a console program into Ctrl+C: once the first request has reached the
# unit (which answers each 300 ms late, so the read lasts seconds), the program ends with 130
# and lets go of the port.
start_simulator "$linux_bin" --log --fault any:delay:300
terminal=$(readlink "$prefix/dosdevices/com7")
in_prefix wine "$bin/kavrelctl.exe" --port COM7 read >"$scratch/interrupted" 2>&1 &
reader=$!
read -r -t 60 -u "$sim_out" request || fail "no request reached the unit"
for pid in $(wine_pids); do  # wine gives the program's process its path as first argument
    [[ $(head -zn1 "/proc/$pid/cmdline" 2>/dev/null | tr -d '\0') != *kavrelctl.exe ]] ||
        kill -INT "$pid"
done
code=0
wait "$reader" || code=$?
[ "$code" -eq 130 ] && grep -q "Операция прервана пользователем" "$scratch/interrupted" ||
    fail "Ctrl+C after $request: code $code, $(cat "$scratch/interrupted")"
for ((tries = 0; tries < 50; ++tries)); do
    holders=$(find /proc/[0-9]*/fd -lname "$terminal" 2>/dev/null || true)
    [ -n "$holders" ] || break
    sleep 0.1
done
[ -z "$holders" ] || fail "the port is still open after Ctrl+C: $holders"
echo "kavrelctl.exe's faults: $((SECONDS - start)) s under wine"
exit $failed
