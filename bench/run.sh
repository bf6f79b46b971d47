#!/usr/bin/env bash
# Runs every benchmark script; each prints its `bench NAME ours= anchor= ratio=`
# lines on standard output and its per-round detail on standard error.
#   bench/run.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for script in "$here"/run_*.sh; do
  "$script" "$1"
done
