#!/usr/bin/env bash
# Takes the program through a user's first steps on the virtual controller
# and saves a screenshot of each step, in Chinese and in English:
#
#   tools/screenshot.sh [SCENARIO] [FOLDER]
#
# SCENARIO: the virtual controller's scenario, JSON text or a file (default:
# its built-in controller); FOLDER: where the PNGs go (default
# build/screenshots). Needs a build (tools/demo.sh or tools/test.sh makes
# one). Without a display it starts its own Xvfb. Prints the PNGs' paths.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scenario=${1:-}
out=${2:-$root/build/screenshots}
tour="$root/build/bin/velmo_tour"
[ -x "$tour" ] || { echo "error: $tour missing: build first (tools/demo.sh)" >&2; exit 1; }

"$root/tools/install-deps.sh" xvfb
mkdir -p "$out"

xvfb_pid=
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 120); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
    done
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
fi

export LD_LIBRARY_PATH="$root/build/sim:$root/build/lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
export VELMO_SIM_SCENARIO="$scenario"
export QT_QPA_PLATFORM=xcb
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
fi
for lang in zh en; do
    "$tour" --lang "$lang" --out "$out"
done
