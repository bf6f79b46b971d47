#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix.
#   wine-run.sh BUILD_DIR [--display[=WxHxD]] PROGRAM [ARGS...]
# Every run gets the build tree's own X screen (Xvfb), started on first use and
# stopped a few seconds after the prefix's Wine server has ended. A depth other
# than 24 bits gets a prefix and screen of its own: one Wine server stays bound
# to the screen it first drew on. Never touches the user's own ~/.wine.
set -euo pipefail

build=$(cd "$1" && pwd); shift
screen=1024x768x24
if [[ "${1:-}" == --display* ]]; then
  d=${1#--display}; d=${d#=}; [ -n "$d" ] && screen=$d
  shift
fi

winedir="$build/wine"
[ "$screen" != 1024x768x24 ] && winedir="$build/wine-$screen"
# WB_USE_DISPLAY=1: the caller's own X display (make run), with a prefix of its own.
[ -n "${WB_USE_DISPLAY:-}" ] && winedir="$build/wine-user"
# WB_WINE_NAME=name: a prefix and screen of their own, for tests whose prefix
# must not be shared (Wine forgets a CUPS printer that another process can't see).
[ -n "${WB_WINE_NAME:-}" ] && winedir="$build/wine-$WB_WINE_NAME"
# WB_DPI=144: a prefix and screen of their own at that display scale, the
# screen as much larger as the scale (a 200 % scale comes with a large screen).
if [ -n "${WB_DPI:-}" ]; then
  winedir="$build/wine-dpi$WB_DPI"
  [ "$screen" = 1024x768x24 ] && screen=$((1024 * WB_DPI / 96))x$((768 * WB_DPI / 96))x24
fi
mkdir -p "$winedir"
export WINEPREFIX="$winedir/prefix"
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko offers, no menu entries written into the user's desktop, and a
# crash ends the program at once instead of waiting in the debugger.
# WB_DLL_OVERRIDES: more of them, for a test (set by a Windows program, they
# would reach none of the programs it starts).
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d${WB_DLL_OVERRIDES:+;$WB_DLL_OVERRIDES}"
export WINEARCH=win64
# Keeps Wine's own files (and its sound configuration) inside the build tree;
# the user's X authority stays where it was.
export XAUTHORITY="${XAUTHORITY:-$HOME/.Xauthority}"
export HOME="$winedir/home"
mkdir -p "$HOME"
export XDG_DATA_HOME="$HOME/.local/share" XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache"

wine=$(command -v wine64 || command -v wine)

start_screen() {
  # A server still bound to an earlier screen would keep new programs waiting.
  wineserver -k >/dev/null 2>&1 9>&- || true
  local fdfile="$winedir/display.new"
  rm -f "$fdfile"
  setsid Xvfb -displayfd 7 -screen 0 "$screen" -nolisten tcp -ac 7>"$fdfile" </dev/null >/dev/null 2>&1 9>&- &
  local xpid=$!
  for _ in $(seq 200); do [ -s "$fdfile" ] && break; sleep 0.05; done
  echo "$xpid :$(head -n1 "$fdfile")" > "$winedir/display"
  rm -f "$fdfile"
  # Stops the screen once the prefix's Wine server is gone; under the lock, so
  # that no run starts on a screen that is about to go.
  setsid bash -c '
    sleep 5
    while kill -0 '"$xpid"' 2>/dev/null; do
      wineserver -w
      sleep 2
      flock "$0" bash -c "timeout 1 wineserver -w && kill '"$xpid"' && rm -f \"$1\"" || true
    done' "$winedir/lock" "$winedir/display" </dev/null >/dev/null 2>&1 9>&- &
}

(
  flock 9
  if [ -n "${WB_USE_DISPLAY:-}" ]; then
    echo "$$ $DISPLAY" > "$winedir/display"
  elif ! { [ -f "$winedir/display" ] && kill -0 "$(cut -d' ' -f1 "$winedir/display")" 2>/dev/null; }; then
    start_screen
  fi
  export DISPLAY=$(cut -d' ' -f2 "$winedir/display")
  # Creates the prefix once; parallel runs wait for the first to finish.
  # (Nothing started here may inherit the lock: servers outlive this run.)
  if [ ! -f "$WINEPREFIX/.wb-ready" ]; then
    "$wine" wineboot -i >/dev/null 2>&1 9>&- || true
    if [ -n "${WB_DPI:-}" ]; then
      "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$WB_DPI" /f >/dev/null 2>&1 9>&-
      wineserver -k >/dev/null 2>&1 9>&- || true
    fi
    for pair in "Times New Roman=Liberation Serif" "Arial=Liberation Sans" "Courier New=Liberation Mono"; do
      "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /d "${pair#*=}" /f >/dev/null 2>&1 9>&-
    done
    # One playback and one capture device: played sound lands in played.wav
    # (rewritten by every play), recording reads silence.
    cat > "$HOME/.asoundrc" <<ASOUND
pcm.!default { type file slave.pcm "null" file "$HOME/played.wav" format "wav" }
ctl.!default { type hw card 0 }
ASOUND
    touch "$WINEPREFIX/.wb-ready"
  fi
  # A server that outlives single runs saves Wine's start-up time in test suites.
  wineserver -p10 >/dev/null 2>&1 9>&- || true
) 9>"$winedir/lock"

export DISPLAY=$(cut -d' ' -f2 "$winedir/display")
# What the sound device last played, for the tests that listen.
export WB_PLAYED_SOUND="$HOME/played.wav"
exec "$wine" "$@"
