#!/usr/bin/env bash
# Installs from Debian's packages whatever this machine lacks to build and test.
# Idempotent: it asks apt only when something is missing.
set -euo pipefail

PKGS=(
  cmake make
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  libz-mingw-w64-dev
  wine wine64
  xvfb xauth x11-utils
  googletest
  fonts-liberation
  imagemagick
  fp-utils-3.2.2
  dict-freedict-nld-eng dict-freedict-fra-eng dict-freedict-deu-eng
  dict-freedict-ell-eng dict-freedict-pol-eng
  dict-freedict-eng-nld dict-freedict-fra-nld dict-freedict-deu-nld
  dict-freedict-ell-nld dict-freedict-pol-nld
  ffmpeg sox
  cups cups-client printer-driver-cups-pdf poppler-utils
  coreutils time
)

missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "bootstrap: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "bootstrap: need root or sudo to install: ${missing[*]}" >&2; exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
