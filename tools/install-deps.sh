#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing,
# plus any packages named on the command line (tools/screenshot.sh: xvfb).
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qtbase5-dev qtbase5-dev-tools
    libusb-1.0-0-dev libudev-dev
    qttools5-dev qttools5-dev-tools libqt5svg5-dev fonts-noto-cjk fonts-dejavu-core
    libqwt-qt5-dev
    umockdev libumockdev0 libumockdev-dev
    python3
    doxygen mono-mcs mono-runtime poppler-utils
    dpkg-dev strace
    # the 32-bit x86 build of the library (tools/i386/): compiler, libusb and Qt Core
    g++-multilib libusb-1.0-0-dev:i386 libqt5core5a:i386
    # the fuzzers (tools/fuzz.sh)
    clang libclang-rt-14-dev
    # velmo-tango, the Tango device server, and the Python client its tests drive
    libtango-dev python3-tango
)
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
run_as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        run_as_root=(sudo)
    else
        echo "error: need root (or sudo) to install ${missing[*]}" >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${run_as_root[@]}" dpkg --add-architecture i386
fi
"${run_as_root[@]}" apt-get update -q
"${run_as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
