#!/usr/bin/env bash
# Builds the Debian package from the build tree, checks what it holds,
# unpacks it into a scratch root and runs velmoctl and velmoApp from there
# against the virtual controller, with the user's folders in the scratch
# area: the unpacked library must be the one loaded, the settings and the log
# must be the user's and nothing may be written inside the unpacked root.
set -euo pipefail
build_dir=$1
libdir=$2          # CMAKE_INSTALL_LIBDIR, relative to the prefix
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build_dir" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) \
    || { cat "$scratch/cpack.log" >&2; fail "cpack"; }
debs=("$scratch"/out/velmo_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one velmo_*.deb, got: ${debs[*]}"
deb=${debs[0]}

# --- control fields
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = velmo ] || fail "package name $(field Package)"
[ "$(field Version)" = "$(sed -n 's/^project(velmo VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")" ] \
    || fail "version $(field Version)"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
[ -n "$(field Description)" ] || fail "no description"
for needed in libqt5core5a libqt5widgets5 libusb-1.0-0 libqwt-qt5-6 libudev1 libc6; do
    field Depends | grep -q "\b$needed\b" || fail "Depends lacks $needed: $(field Depends)"
done
dpkg-deb -I "$deb" postinst >/dev/null || fail "no postinst"
dpkg-deb -I "$deb" triggers | grep -qx 'activate-noawait ldconfig' || fail "no ldconfig trigger for the library"

# --- contents
dpkg-deb -c "$deb" | awk '{ print substr($1, 1, 1) " " $6 }' | sed 's| \./| /|' >"$scratch/contents"
has() { grep -qx -- "$1 $2" "$scratch/contents" || fail "package lacks $2 ($1)"; }
lib=/usr/$libdir
has - "$lib/libvelmoLibrary.so.1.0.0"
has l "$lib/libvelmoLibrary.so.1"
has l "$lib/libvelmoLibrary.so"
has - /usr/include/velmoLibrary.h
has - "$lib/pkgconfig/velmoLibrary.pc"
has - "$lib/cmake/velmoLibrary/velmoLibraryConfig.cmake"
has - "$lib/cmake/velmoLibrary/velmoLibraryConfigVersion.cmake"
has - "$lib/cmake/velmoLibrary/velmoLibraryTargets.cmake"
has - "$lib/velmo/velmoApp"
has - "$lib/velmo/deviceModelsParam"
has - "$lib/velmo/velmo_en_US.qm"
has - "$lib/velmo/help/index.html"
has - "$lib/velmo/help/台式步进电机驱动控制器用户手册.pdf"
has - "$lib/velmo/help/Tarel_velmo_C++SDK/include/velmoLibrary.h"
has - "$lib/velmo/help/Tarel_velmo_C++SDK/api-reference/index.html"
has l /usr/bin/velmoApp
has - /usr/bin/velmoctl
has - /usr/lib/udev/rules.d/60-velmo.rules
has - /usr/share/applications/velmo.desktop
has - /usr/share/icons/hicolor/scalable/apps/velmo.svg
if grep -E 'libusb-1\.0|/tst_|/bench_|velmo_gallery|velmo_axis_panel|velmo_svgrender|velmo-usbfs-run|velmo_tour|velmo_consumer' \
    "$scratch/contents"; then
    fail "test tools or the virtual controller are in the package"
fi

# --- unpacked: the pieces are what they claim to be
root=$scratch/root
dpkg -x "$deb" "$root"
[ "$(readlink "$root/usr/bin/velmoApp")" = "../$libdir/velmo/velmoApp" ] || fail "velmoApp link: $(readlink "$root/usr/bin/velmoApp")"
cmp -s "$root/usr/lib/udev/rules.d/60-velmo.rules" "$(dirname "$0")/../../packaging/60-velmo.rules" || fail "udev rule differs"
grep -q 'ATTR{idVendor}=="4306", ATTR{idProduct}=="5745".*TAG+="uaccess"' "$root/usr/lib/udev/rules.d/60-velmo.rules" \
    || fail "udev rule does not grant the user access"
desktop=$root/usr/share/applications/velmo.desktop
for line in '^Type=Application$' '^Exec=velmoApp$' '^Icon=velmo$' '^Name=.' '^Name\[zh_CN\]=.' '^Categories=.*;$'; do
    grep -q "$line" "$desktop" || fail "desktop entry lacks $line"
done
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$desktop"; fi
for binary in "$root/usr/$libdir/velmo/velmoApp" "$root/usr/bin/velmoctl" "$root/usr/$libdir/libvelmoLibrary.so.1.0.0"; do
    if readelf -S "$binary" | grep -q '\.debug_info'; then fail "$binary is not stripped"; fi
done
readelf -d "$root/usr/bin/velmoctl" | grep -q 'R.*PATH.*\[\$ORIGIN/' || fail "velmoctl has no \$ORIGIN run path"

# The maintainer scripts: udev is asked to reload and re-apply the rule, and
# neither a failing udevadm (a container without udev) nor a missing one stops them.
dpkg-deb -e "$deb" "$scratch/control"
mkdir "$scratch/fakebin"
printf '#!/bin/sh\necho "$*" >>"%s/udevadm.calls"\nexit 1\n' "$scratch" >"$scratch/fakebin/udevadm"
chmod +x "$scratch/fakebin/udevadm"
PATH="$scratch/fakebin:/usr/bin:/bin" sh "$scratch/control/postinst" configure || fail "postinst with a failing udevadm"
grep -qx 'control --reload-rules' "$scratch/udevadm.calls" || fail "postinst did not reload the rules"
grep -q '^trigger .*idVendor=4306' "$scratch/udevadm.calls" || fail "postinst did not trigger the controllers"
mkdir "$scratch/emptybin"
PATH="$scratch/emptybin" /bin/sh "$scratch/control/postinst" configure || fail "postinst without udevadm"
PATH="$scratch/fakebin:/usr/bin:/bin" sh "$scratch/control/postrm" remove || fail "postrm"

# --- running from the unpacked root, as a user would
find "$root" -printf '%P %y %s %T@\n' | sort >"$scratch/root.before"
home=$scratch/home
mkdir -p "$home"
run_env=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
         XDG_CACHE_HOME="$home/.cache" XDG_RUNTIME_DIR="$scratch/run" LD_LIBRARY_PATH="$build_dir/sim"
         QT_QPA_PLATFORM=offscreen VELMO_SIM_SCENARIO= ASAN_OPTIONS=detect_leaks=0)
mkdir -m 700 "$scratch/run"

"${run_env[@]}" ldd "$root/usr/bin/velmoctl" >"$scratch/ldd" || fail "ldd velmoctl"
loaded=$(awk '$1 == "libvelmoLibrary.so.1" { print $3 }' "$scratch/ldd")
[ -n "$loaded" ] && [ "$(realpath "$loaded")" = "$(realpath "$root/usr/$libdir/libvelmoLibrary.so.1")" ] \
    || { cat "$scratch/ldd" >&2; fail "velmoctl does not load the unpacked library"; }
"${run_env[@]}" "$root/usr/bin/velmoctl" list >"$scratch/list" || fail "velmoctl list"
grep -q '14' "$scratch/list" || { cat "$scratch/list" >&2; fail "velmoctl list does not show the virtual controller"; }

"${run_env[@]}" timeout 4 "$root/usr/bin/velmoApp" >"$scratch/app.out" 2>&1 &
app_pid=$!
sleep 2
# timeout's child is the program; its mappings name the libraries it loaded.
program_pid=$(pgrep -P "$app_pid" -x velmoApp || true)
[ -n "$program_pid" ] || { cat "$scratch/app.out" >&2; fail "velmoApp did not stay up"; }
maps=$(cat "/proc/$program_pid/maps")
status=0
wait "$app_pid" || status=$?
[ "$status" -eq 124 ] || { cat "$scratch/app.out" >&2; fail "velmoApp ended with status $status before the timeout"; }
grep -q " $root/usr/$libdir/libvelmoLibrary.so.1.0.0\$" <<<"$maps" || fail "velmoApp did not load the unpacked library"
grep -q " $build_dir/sim/libusb-1.0.so.0\$" <<<"$maps" || fail "velmoApp did not use the virtual controller"
if grep -q "$build_dir/lib/" <<<"$maps"; then fail "velmoApp loaded a library from the build tree"; fi

log=$home/.local/share/velmoApp/velmoApp.log
[ -s "$log" ] || fail "no log file in the user's data folder"
grep -q 'start of velmoApp 1\.' "$log" || fail "log has no start line: $(cat "$log")"

# The settings: a choice kept in the user's configuration folder is the one
# read (English, whose catalogue comes from the program folder), and nothing
# under the unpacked root is opened for writing, not even a probe.
if strace -o /dev/null true 2>/dev/null; then
    mkdir -p "$home/.config/velmoApp"
    printf '[language]\ntype=1\n' >"$home/.config/velmoApp/appConfig.ini"
    status=0
    "${run_env[@]}" timeout 3 strace -f -qq -e trace=openat -o "$scratch/trace" "$root/usr/bin/velmoApp" \
        >"$scratch/app2.out" 2>&1 || status=$?
    [ "$status" -eq 124 ] || { cat "$scratch/app2.out" >&2; fail "velmoApp under strace ended with status $status"; }
    grep -q "openat(.*\"$home/.config/velmoApp/appConfig.ini\", O_RDONLY" "$scratch/trace" \
        || fail "the user's settings file was not read"
    grep -q "openat(.*\"$root/usr/$libdir/velmo/velmo_en_US.qm\"" "$scratch/trace" \
        || fail "the English catalogue was not loaded from the program folder"
    if grep "openat(.*\"$root/.*O_\(WRONLY\|RDWR\|CREAT\)" "$scratch/trace"; then
        fail "velmoApp opened a file inside the unpacked root for writing"
    fi
else
    echo "strace cannot trace here: the settings file's place is left to app.tst_LanguageSettings"
fi

find "$root" -printf '%P %y %s %T@\n' | sort >"$scratch/root.after"
diff "$scratch/root.before" "$scratch/root.after" || fail "something was written inside the unpacked root"
echo "package OK: $(basename "$deb"), $(wc -l <"$scratch/contents") entries"
