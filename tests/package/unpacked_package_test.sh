#!/usr/bin/env bash
# Builds both Debian packages from this build, unpacks them into a scratch root that the
# user running the programs cannot write, and presses "Чтение" in the configurator started
# through the unpacked /usr/bin/kavrel-configurator link, on a virtual X display, beside the
# unpacked kavrel-sim. The read reaching the simulator proves that the configurator found
# the unpacked Zorvik in its real folder and that both agree on a private list folder.
# Also checks that every program is hardened, and validates the desktop entry, the
# metainfo and the settings file type.
# Usage: unpacked_package_test.sh BUILD_DIR
set -euo pipefail
build="$1"
limit=20  # seconds for each wait; everything here takes well under one

work="$(mktemp -d "${TMPDIR:-/tmp}/kavrel-package-XXXXXX")"
chmod 755 "$work"
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
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/debs" >/dev/null
root="$work/root"
for package in kavrel-configurator kavrel-sim; do
    deb=("$work/debs/${package}_"*_amd64.deb)
    [ -f "${deb[0]}" ] || fail "no package $package"
    dpkg-deb -x "${deb[0]}" "$root"
done
dpkg-deb -c "$work/debs/"kavrel-configurator_*.deb >"$work/contents"
# Every program is hardened: PIE, fortify, stack protector, -z relro -z now, control flow.
# Zorvik, built alike, makes no libc call whose bounds the compiler cannot prove, so it holds
# no checked call for hardening-check to find.
folder="$root/usr/lib/kavrel-configurator"
hardening-check --quiet "$folder/kavrel-configurator" "$folder/kavrelctl" \
    "$root/usr/bin/kavrel-sim" >&2 || fail "a program is not hardened"
hardening-check --quiet --nofortify "$folder/Zorvik" >&2 || fail "Zorvik is not hardened"
! grep -q kavrel-sim "$work/contents" || fail "the configurator's package holds kavrel-sim"

desktop-file-validate "$root/usr/share/applications/kavrel-configurator.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/"*.metainfo.xml >/dev/null
# .kavrel files are a type of their own that the menu entry opens.
cp -r "$root/usr/share/mime" "$work/mime"
update-mime-database "$work/mime"
grep -qx '50:application/x-kavrel-settings:\*.kavrel' "$work/mime/globs2" ||
    fail "no file type for .kavrel"
grep -qx 'MimeType=application/x-kavrel-settings;' \
    "$root/usr/share/applications/kavrel-configurator.desktop" || fail "the entry opens no .kavrel"

# The programs run as an ordinary user: nobody when this is root, else this user with the
# unpacked tree made read-only.
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
    user=nobody
else
    as_user=()
    user="$(id -un)"
    chmod -R a-w "$root"
    trap 'chmod -R u+w "$root"; end' EXIT
fi
runtime="$work/runtime"
registry="$work/registry"
install -d -m 700 -o "$user" "$runtime" "$registry"
"${as_user[@]}" test ! -w "$folder" || fail "$user may write to $folder"

# A display of its own: Xvfb picks a free number and writes it once it accepts clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
read -r -t "$limit" display <"$work/display" || fail "Xvfb did not start"
export DISPLAY=":$display"

# Replaces the calling (sub)shell, so that its process id is the program's.
run() {
    exec "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME=/nonexistent DISPLAY="$DISPLAY" \
        XDG_RUNTIME_DIR="$runtime" KAVREL_CABLE_REGISTRY="$registry" QT_QPA_PLATFORM=xcb "$@"
}

coproc SIM { run "$root/usr/bin/kavrel-sim" --log --mode 2 --address 17; }
pids+=("$SIM_PID")
read -r -t "$limit" pty <&"${SIM[0]}" || fail "kavrel-sim did not start"

run "$root/usr/bin/kavrel-configurator" &
app=$!
pids+=("$app")
window="$(timeout "$limit" xdotool search --sync --onlyvisible --pid "$app" | head -n 1)" ||
    fail "the configurator's window did not appear"
# "Чтение" (btnRead) lies at 300, 155 and is 84 x 19 in the window.
xdotool mousemove --window "$window" 342 164 click 1

# The read asks for the class first and the volume last.
requests=()
while [ "${#requests[@]}" -eq 0 ] || [ "${requests[-1]}" != "request 32 00" ]; do
    read -r -t "$limit" line <&"${SIM[0]}" || fail "the read stopped after: ${requests[*]}"
    requests+=("$line")
done
[ "${requests[0]}" = "request 2E 00" ] || fail "the read began with ${requests[0]}"

list="$runtime/kavrel-configurator/listport.txt"
grep -qF "($pty)" "$list" || fail "$list does not list $pty"
[ ! -e "$folder/listport.txt" ] || fail "a list appeared in the program folder"
# kavrelctl, started through its own link, finds the same lister and reads the same unit.
json="$(run timeout "$limit" "$root/usr/bin/kavrelctl" read --json)" ||
    fail "kavrelctl read failed: $json"
grep -Eq '"address": ?17' <<<"$json" || fail "kavrelctl read printed: $json"
ports="$(run timeout "$limit" "$root/usr/bin/kavrelctl" ports)" || fail "kavrelctl ports: $ports"
grep -qF "port: $pty" <<<"$ports" || fail "kavrelctl ports printed: $ports"
# Without XDG_RUNTIME_DIR the lister has nowhere to write (no home either): both say so.
no_folder="Список портов некуда записать"
ports="$(run env -u XDG_RUNTIME_DIR timeout "$limit" "$root/usr/bin/kavrelctl" ports 2>&1)" &&
    fail "kavrelctl ports found a port without a list folder: $ports"
grep -qF "$no_folder" <<<"$ports" || fail "kavrelctl ports without a list folder printed: $ports"
box="$(run env -u XDG_RUNTIME_DIR timeout "$limit" "$root/usr/bin/kavrelctl" read 2>&1)" &&
    fail "kavrelctl read found a port without a list folder: $box"
[[ $box == *$'кабеля.\n\n'"$no_folder"* ]] || fail "kavrelctl read without a list folder: $box"
echo "read through the unpacked packages as $user: ${#requests[@]} requests on $pty"
