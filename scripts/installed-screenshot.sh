#!/usr/bin/env bash
# Takes docs/installed-window.png: sievra run from the unpacked Debian package under Xvfb with
# a window manager, so the title bar shows the installed icon. Everything it writes, apart
# from the picture, stays in a temporary folder.
#   scripts/installed-screenshot.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build}" && pwd)
(cd "$build" && cpack -G DEB >/dev/null 2>&1)
deb=$(ls -t "$build"/sievra_*.deb | head -1)

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
dpkg-deb -x "$deb" "$work/root"
bin=$work/root/usr/bin
mkdir -m 0700 "$work/runtime"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/runtime XDG_DATA_DIRS=$work/root/usr/share:/usr/share
unset QT_QPA_PLATFORM
product='\Software\Orlent Software\Sievra'
"$bin/sievra-settings" import demo/demo-store.txt
"$bin/sievra-settings" set "$product" 'First Time' --int 0 >/dev/null

# A free display number, chosen by the server itself.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
openbox 2>/dev/null &
pids+=($!)
sleep 1
"$bin/sievra" 2>/dev/null &
pids+=($!)
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Sievra$' | head -1)
sleep 1
[ -n "$window" ] || { echo "no sievra window appeared"; exit 1; }
# The menu entry's StartupWMClass must name the window's class, or docks show two icons.
xdotool search --class '^sievra$' | grep -qx "$window" ||
  { echo "the window's class is not the one the desktop entry names"; exit 1; }
# The window with the frame the window manager draws around it (title, icon), cut out of the
# black screen.
import -window root "$work/screen.png"
convert "$work/screen.png" -bordercolor black -border 1 -trim +repage docs/installed-window.png
echo "docs/installed-window.png: $(identify -format '%wx%h' docs/installed-window.png)"
