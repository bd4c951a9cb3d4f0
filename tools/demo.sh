#!/usr/bin/env bash
# Installs the dependencies, builds, and drives a controller with velmoctl:
# lists the controllers, shows the first one and makes a short move of
# axis 0. (Each velmoctl run is a new process: the virtual controller starts
# afresh from its scenario every time.) Then, on a desktop, it opens the axis
# panel of axis 0 (--axis N picks another). Without a controller on the USB
# bus it runs against the virtual controller.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

"$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$jobs"

# Quiet the library's diagnostic lines; set QT_LOGGING_RULES to see them.
export QT_LOGGING_RULES=${QT_LOGGING_RULES:-default.debug=false}
if [ "$("$root/build/bin/velmo_list_open" --count 2>/dev/null || echo 0)" -gt 0 ]; then
    echo "== controller found on the USB bus"
else
    echo "== no controller on the USB bus: using the virtual controller (build/sim)"
    export LD_LIBRARY_PATH="$root/build/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
fi
ctl="$root/build/bin/velmoctl"
run() {
    echo
    echo "\$ velmoctl $*"
    "$ctl" "$@"
}
run list
run info
# A short move of axis 0, positions printed while the axis runs.
run move 14 --axis 0 --speed 5 --acc 20 --wait

axis=0
if [ "${1:-}" = "--axis" ] && [ -n "${2:-}" ]; then
    axis=$2
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo
    echo "== the axis panel of axis $axis (close it with its x button)"
    "$root/build/bin/velmo_axis_panel" --axis "$axis"
else
    echo
    echo "== no display: on a desktop this opens the axis panel (build/bin/velmo_axis_panel)"
fi
