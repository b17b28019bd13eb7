#!/usr/bin/env bash
# Runs the Windows build's test programs under wine against kavrel-sim as COM7 (see
# scratch_prefix.sh). The simulator never answers command 47.
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
for program in "${programs[@]}"; do
    start=$SECONDS
    in_prefix KAVREL_TEST_PORT=COM7 wine "$program" || failed=1
    echo "$(basename "$program"): $((SECONDS - start)) s under wine"
done
exit $failed
