#!/usr/bin/env bash
# make run: installs the English medium once into BUILD/run and starts the
# program there: on the user's display when there is one, else on the build's
# own screen, where it takes a screenshot of the main window.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
target="$build/run"
winpath() { echo "Z:$1" | tr / '\\'; }

if [ ! -f "$target/wordbook.exe" ]; then
  echo "Installing the English medium into $target"
  mkdir -p "$target"
  (cd "$build/medium/english" && "$src/tools/wine-run.sh" "$build" setup.exe /S "/D=$(winpath "$target")")
fi
cd "$target"

if [ -n "${DISPLAY:-}" ] && command -v xdpyinfo >/dev/null && xdpyinfo >/dev/null 2>&1; then
  echo "Starting wordbook on $DISPLAY"
  exec env WB_USE_DISPLAY=1 "$src/tools/wine-run.sh" "$build" wordbook.exe
fi

shot="$build/screenshots/run-main-window.png"
mkdir -p "$build/screenshots"
"$src/tools/wine-run.sh" "$build" wordbook.exe &
pid=$!
sleep 8
screen=$(cut -d' ' -f2 "$build/wine/display")
DISPLAY=$screen import -window root "$shot"
kill "$pid" 2>/dev/null || true
WINEPREFIX="$build/wine/prefix" wineserver -k 2>/dev/null || true
echo "No display here: wordbook ran on the build's own screen. Screenshot: $shot"
