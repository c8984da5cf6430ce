#!/usr/bin/env bash
# Checks the Debian package as a workstation would see it, without installing anything:
#  1. builds the .deb with CPack from the build folder and runs lintian on it (no error
#     and no warning: a warning meant to stay needs an override with its reason);
#  2. unpacks it with dpkg-deb -x into a temporary root and checks the layout and the
#     desktop entry (desktop-file-validate, its command and icon present);
#  3. writes a test database and the two site files beside the unpacked executable with
#     the unpacked tarn-demodata, makes the program folder read-only as installed, and
#     starts the unpacked tool through its launcher under a private X server, as an
#     ordinary user when run as root; its main window must come up with our icon and no
#     error box, the engine's lock files must be in the user's own folder, and SIGTERM
#     must end the tool normally.
# Usage: package-check.sh BUILD_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
# In the system's temporary folder: the ordinary user the tool runs as must reach it,
# which a private build folder would not let it do.
work=$(mktemp -d "${TMPDIR:-/tmp}/package-check.XXXXXX")
chmod 0755 "$work"
xvfb_pid="" tool_pid=""
finish() {
    [ -n "$tool_pid" ] && kill "$tool_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    chmod -R u+w "$work" 2>/dev/null || true
    rm -rf "$work"
}
trap finish EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
step() { echo "--- $*"; }

step "cpack"
cpack --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack failed"; }
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb=${debs[0]}
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb -f "$deb" Package Version Depends

step "lintian"
status=0
lintian --fail-on error,warning --display-info "$deb" > "$work/lintian.log" 2>&1 || status=$?
grep -v '^running with root privileges' "$work/lintian.log" || true
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings"

step "unpack"
root=$work/root
dpkg-deb -x "$deb" "$root"
prog=$root/usr/lib/tarnpromotion
[ -x "$prog/TarnPromotion" ] || fail "no executable in /usr/lib/tarnpromotion"
[ -x "$root/usr/bin/tarn-demodata" ] || fail "no /usr/bin/tarn-demodata"
[ -x "$root/usr/bin/tarnpromotion" ] || fail "no launcher /usr/bin/tarnpromotion"
for f in dbxconnections.ini Vantor.dat; do
    [ "$(readlink "$prog/$f")" = "/etc/tarnpromotion/$f" ] \
        || fail "$f beside the executable is not a link to /etc/tarnpromotion/$f"
done

step "desktop entry"
desktop=$root/usr/share/applications/tarnpromotion.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
exec_cmd=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -e "$root/usr/bin/$exec_cmd" ] || fail "Exec=$exec_cmd is not in /usr/bin"
for size in 16 32 48 256; do
    [ -f "$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png" ] \
        || fail "no ${size}x${size} icon $icon"
done
grep -q '^Name\[zh_TW\]=' "$desktop" || fail "no Traditional Chinese name"

step "test database and site files"
rm "$prog/dbxconnections.ini" "$prog/Vantor.dat"
mkdir -p "$work/data"
"$root/usr/bin/tarn-demodata" --database "$work/data/test.fdb" --products 200 \
    --site-dir "$prog" --promo-word PK
grep -q "^Database=$work/data/test.fdb" "$prog/dbxconnections.ini" \
    || fail "the connection file does not name the test database"
chmod a-w "$prog" # as installed: a store clerk cannot write beside the executable

# The user the tool runs as, with a home, a runtime folder (where the launcher puts the
# embedded engine's lock files) and a database file of its own.
home=$work/home runtime=$work/runtime
mkdir -p "$home" "$runtime"
chmod 0700 "$runtime"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
    chown -R 65534:65534 "$home" "$runtime" "$work/data"
    run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
fi

step "start under Xvfb"
exec 5> "$work/display"
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 5>&-
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log"; fail "Xvfb did not start"; }
display=:$(head -n1 "$work/display")

env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 DISPLAY="$display" QT_QPA_PLATFORM=xcb \
    XDG_RUNTIME_DIR="$runtime" "${run_as[@]}" "$root/usr/bin/tarnpromotion" \
    > "$work/tool.log" 2>&1 &
tool_pid=$!

window=""
for _ in $(seq 600); do
    kill -0 "$tool_pid" 2>/dev/null || { cat "$work/tool.log"; fail "the tool ended early"; }
    tree=$(xwininfo -display "$display" -root -tree 2>/dev/null || true)
    # A message box carries the application's name as its title (the 1 x 1 window of the
    # same name, without a class, is the toolkit's own).
    if grep -q '"TarnPromotion": ("' <<< "$tree"; then
        cat "$work/tool.log"
        fail "the tool shows a message box instead of its window"
    fi
    window=$(sed -n 's/^ *\(0x[0-9a-f]*\) "FormTarnPromotion": .*/\1/p' <<< "$tree" | head -n1)
    [ -n "$window" ] && xwininfo -display "$display" -id "$window" | grep -q IsViewable && break
    window=""
    sleep 0.1
done
[ -n "$window" ] || { cat "$work/tool.log"; fail "no window within 60 s"; }
geometry=$(xwininfo -display "$display" -id "$window" | sed -n 's/.*-geometry //p')
echo "window $window FormTarnPromotion $geometry"
props=$(xprop -display "$display" -id "$window" WM_CLASS _NET_WM_ICON)
grep -q 'WM_CLASS(STRING) = ".*", "TarnPromotion"' <<< "$props" \
    || fail "unexpected WM_CLASS: $(grep WM_CLASS <<< "$props")"
grep -q '_NET_WM_ICON(CARDINAL) = ' <<< "$props" || fail "the window has no icon"

step "SIGTERM"
kill -TERM "$tool_pid"
status=0
wait "$tool_pid" || status=$?
tool_pid=""
[ "$status" -eq 0 ] || { cat "$work/tool.log"; fail "the tool ended with status $status"; }
[ ! -e "$prog/Search.ini" ] || fail "a file was written beside the executable"
ls "$runtime"/tarnpromotion-firebird-*/fb_init > /dev/null \
    || fail "the engine's lock files are not in the user's own folder"
echo "package check passed"
