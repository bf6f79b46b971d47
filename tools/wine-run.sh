#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's private prefix.
#   wine-run.sh BUILD_DIR [--display[=WxHxD]] PROGRAM [ARGS...]
# --display gives the program an Xvfb screen of its own for the length of the run.
# Never touches the user's own ~/.wine.
set -euo pipefail

build=$(cd "$1" && pwd); shift
depth=""
if [[ "${1:-}" == --display* ]]; then
  depth=${1#--display}; depth=${depth#=}; depth=${depth:-1024x768x24}
  shift
fi

winedir="$build/wine"
mkdir -p "$winedir"
export WINEPREFIX="$winedir/prefix"
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko offers, and no menu entries written into the user's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
# Keeps Wine's own files (and any sound configuration) inside the build tree.
export HOME="$winedir/home"
mkdir -p "$HOME"
export XDG_DATA_HOME="$HOME/.local/share" XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache"

wine=$(command -v wine64 || command -v wine)

# Creates the prefix once; parallel test runs wait for the first to finish.
(
  flock 9
  if [ ! -f "$WINEPREFIX/.wb-ready" ]; then
    DISPLAY= "$wine" wineboot -i >/dev/null 2>&1 || true
    for pair in "Times New Roman=Liberation Serif" "Arial=Liberation Sans" "Courier New=Liberation Mono"; do
      DISPLAY= "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${pair%%=*}" /d "${pair#*=}" /f >/dev/null 2>&1
    done
    cat > "$HOME/.asoundrc" <<'ASOUND'
pcm.!default { type file slave.pcm "null" file "/dev/null" format "wav" }
ctl.!default { type hw card 0 }
ASOUND
    # The desktop that wineboot started has no screen; while it lives, later
    # runs on an X screen get no display driver and can't make windows.
    wineserver -k >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
    touch "$WINEPREFIX/.wb-ready"
  fi
) 9>"$winedir/lock"

# A server that outlives single runs saves Wine's start-up time in test suites.
wineserver -p10 >/dev/null 2>&1 || true

if [ -z "$depth" ]; then
  if [ -z "${DISPLAY:-}" ]; then export DISPLAY=; fi
  exec "$wine" "$@"
fi

# Own X screen for this run.
fdfile=$(mktemp)
Xvfb -displayfd 7 -screen 0 "$depth" -nolisten tcp -ac 7>"$fdfile" >/dev/null 2>&1 &
xpid=$!
trap 'kill $xpid 2>/dev/null; wait $xpid 2>/dev/null; rm -f "$fdfile"' EXIT
for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$fdfile")"
rc=0
"$wine" "$@" || rc=$?
exit $rc
