#!/usr/bin/env bash
# Times the search window's keystroke (bisection in a sorted 1,000,000-record
# word book, then the ten rows shown) against as many bare record reads at
# random places of the same file.
#   bench/run_lookup.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
exe="$build/bin/bench_lookup.exe"
records=${BENCH_RECORDS:-1000000}
keystrokes=${BENCH_KEYSTROKES:-20000}
rounds=${BENCH_ROUNDS:-3}
run() { "$src/tools/wine-run.sh" "$build" "$exe" "$@" | tr -d '\r'; }
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }

work="$build/bench-lookup"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
cd "$work"
cut -f1 /usr/share/dictd/freedict-*.index | LC_ALL=C sort -u > words.txt
cp "$build/tables/english.stb" english.stb
run gen words.txt "$records" 7 english.stb >&2

# Best of the rounds for each figure, as the other benchmarks report.
om="" op="" am="" ap=""
for _ in $(seq "$rounds"); do
  out=$(run run english.stb "$keystrokes" 11)
  echo "lookup: $out" >&2
  om=$(min "$om" "$(field ours_median "$out")")
  op=$(min "$op" "$(field ours_p99 "$out")")
  am=$(min "$am" "$(field anchor_median "$out")")
  ap=$(min "$ap" "$(field anchor_p99 "$out")")
done
awk -v o="$om" -v a="$am" 'BEGIN { printf "bench lookup_keystroke_1M_median ours=%.6f anchor=%.6f ratio=%.2f\n", o, a, o / a }'
awk -v o="$op" -v a="$ap" 'BEGIN { printf "bench lookup_keystroke_1M_p99 ours=%.6f anchor=%.6f ratio=%.2f\n", o, a, o / a }'
