#!/usr/bin/env bash
# A private CUPS with one PDF queue for the print tests of a build tree.
#   cups-test.sh start BUILD_DIR   starts it (stopping an earlier one first)
#   cups-test.sh stop BUILD_DIR    stops it and removes the queue's settings
# Everything lives in BUILD_DIR/cups: configuration, spool, logs, the socket
# that CUPS_SERVER names (BUILD_DIR/cups/sock) and the printed PDFs (pdf/).
# The system's own CUPS, its printers and the user's home stay untouched.
#
# Needs root: cups-pdf runs only as a root backend and reads its settings
# from /etc/cups alone, so each build tree gets one file of its own there,
# /etc/cups/cups-pdf-wb<hash>.conf, which stop removes again.
set -euo pipefail

action=${1:-}
build=$(cd "${2:?usage: cups-test.sh start|stop BUILD_DIR}" && pwd)
dir="$build/cups"
queue=PDF
tag="wb$(printf '%s' "$build" | md5sum | cut -c1-12)"
pdfconf="/etc/cups/cups-pdf-$tag.conf"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if sudo -n true 2>/dev/null; then SUDO="sudo -n"; else
    echo "cups-test: the PDF printer needs root (cupsd with the cups-pdf backend); run as root or with sudo" >&2
    exit 1
  fi
fi

stop() {
  if [ -f "$dir/cupsd.pid" ]; then
    local pid
    pid=$(cat "$dir/cupsd.pid")
    # Only our own cupsd (the number may have been reused since).
    if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF "$dir/etc/cupsd.conf" && $SUDO kill "$pid" 2>/dev/null; then
      for _ in $(seq 100); do $SUDO kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$dir/cupsd.pid"
  fi
  $SUDO rm -f "$pdfconf"
}

start() {
  for tool in cupsd lpadmin lpstat gs; do
    command -v "$tool" >/dev/null || { echo "cups-test: $tool is missing (tools/bootstrap.sh installs it)" >&2; exit 1; }
  done
  [ -f /usr/lib/cups/backend/cups-pdf ] ||
    { echo "cups-test: the cups-pdf backend is missing (printer-driver-cups-pdf)" >&2; exit 1; }
  local ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
  [ -f "$ppd" ] || { echo "cups-test: $ppd is missing" >&2; exit 1; }

  # A Unix socket's path holds at most 107 bytes.
  if [ ${#dir} -gt 100 ]; then
    echo "cups-test: the build directory's path is too long for CUPS's socket: $dir/sock" >&2
    exit 1
  fi
  stop
  rm -rf "$dir"
  mkdir -p "$dir"/{etc/ppd,spool,tmp,cache,state,log,pdf,pdfspool}
  # Filters run as lp and cups-pdf writes as the printing user.
  chmod 0755 "$dir" "$dir"/etc "$dir"/log
  chmod 1777 "$dir"/tmp "$dir"/pdf "$dir"/pdfspool

  cat > "$dir/etc/cups-files.conf" <<EOF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
FileDevice No
SystemGroup root
EOF
  cat > "$dir/etc/cupsd.conf" <<EOF
LogLevel info
Listen $dir/sock
Browsing No
BrowseLocalProtocols none
WebInterface No
DefaultAuthType None
DefaultShared No
MaxJobs 0
PreserveJobHistory No
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  $SUDO tee "$pdfconf" >/dev/null <<EOF
Out $dir/pdf
AnonDirName $dir/pdf
Spool $dir/pdfspool
Log $dir/log
LogType 3
Label 2
Grp root
UserUMask 0022
EOF

  setsid $SUDO cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" \
    </dev/null >>"$dir/log/cupsd.out" 2>&1 &
  echo $! > "$dir/cupsd.pid"
  export CUPS_SERVER="$dir/sock"
  for _ in $(seq 100); do lpstat -r >/dev/null 2>&1 && break; sleep 0.1; done
  if ! lpstat -r >/dev/null 2>&1; then
    echo "cups-test: cupsd did not start; see $dir/log" >&2
    cat "$dir/log/cupsd.out" "$dir/log/error_log" 2>/dev/null >&2 || true
    stop
    exit 1
  fi
  # (lpadmin warns that PPD drivers are deprecated: said only when it fails.)
  local out
  if ! out=$(lpadmin -p "$queue" -v "cups-pdf:/$tag" -P "$ppd" -E 2>&1 && lpadmin -d "$queue" 2>&1); then
    echo "cups-test: the queue could not be added: $out" >&2
    stop
    exit 1
  fi
  echo "cups-test: queue $queue on $CUPS_SERVER prints into $dir/pdf"
}

case "$action" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: cups-test.sh start|stop BUILD_DIR" >&2; exit 2 ;;
esac
