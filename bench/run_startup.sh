#!/usr/bin/env bash
# Start-up of wordbook.exe, installed from the English medium, to its main
# window shown, against a minimal Win32 program measured the same way: many
# runs in turns within one Wine server's life.
#   bench/run_startup.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
rounds=${BENCH_ROUNDS:-3}
runs=${BENCH_STARTUP_RUNS:-$((rounds * 7))}
winpath() { echo "Z:$1" | tr / '\\'; }
run() { "$src/tools/wine-run.sh" "$build" "$@" | tr -d '\r'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }

work="$build/bench-startup"
rm -rf "$work"
mkdir -p "$work/minimal"
trap 'rm -rf "$work"' EXIT
# Installed unattended, as `make run` does.
(cd "$build/medium/english" && run setup.exe /S "/D=$(winpath "$work/wordbook")" >&2)
[ -f "$work/wordbook/wordbook.exe" ] || { echo "the medium did not install" >&2; exit 1; }
cp "$build/bin/bench_minimal.exe" "$work/minimal/"

out=$(run "$build/bin/bench_startup.exe" "$runs" 2 "$(winpath "$work/wordbook/wordbook.exe")" \
          "$(winpath "$work/minimal/bench_minimal.exe")")
echo "startup: $out" >&2
awk -v o="$(field ours_best "$out")" -v a="$(field anchor_best "$out")" \
  'BEGIN { printf "bench startup_main_window ours=%.4f anchor=%.4f ratio=%.2f\n", o, a, o / a }'
awk -v o="$(field ours_median "$out")" -v a="$(field anchor_median "$out")" \
  'BEGIN { printf "median startup_main_window ours=%.4f anchor=%.4f ratio=%.2f\n", o, a, o / a }' >&2
