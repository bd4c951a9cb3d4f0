#!/usr/bin/env bash
# Installs the dependencies, builds, and starts the desktop program velmoApp.
# With no controller on the USB bus it runs on the virtual controller
# (build/sim) and its built-in three-axis controller. On a machine without a
# display it instead takes the program through connecting and moving an axis
# under Xvfb and saves screenshots under build/screenshots/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

"$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$jobs"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "== no display: the program on the virtual controller under Xvfb"
    "$root/tools/screenshot.sh" "" "$root/build/screenshots"
    exit 0
fi

if [ "$("$root/build/bin/velmo_list_open" --count 2>/dev/null || echo 0)" -gt 0 ]; then
    echo "== controller found on the USB bus"
else
    echo "== no controller on the USB bus: using the virtual controller (build/sim)"
    export LD_LIBRARY_PATH="$root/build/sim${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
fi
echo "== velmoApp: press the connect button, pick the controller, press 连接 (Connect)"
exec "$root/build/bin/velmoApp"
