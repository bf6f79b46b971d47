#!/usr/bin/env bash
# Times sorting a 1,000,000-record word book (5% marked deleted) the way the
# program does, against `LC_ALL=C sort` on the live records as tab-separated text.
#   bench/run_sort.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
exe="$build/bin/bench_sort.exe"
records=${BENCH_RECORDS:-1000000}
rounds=${BENCH_ROUNDS:-3}
run() { "$src/tools/wine-run.sh" "$build" "$exe" "$@" | tr -d '\r'; }

work="$build/bench-sort"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
cd "$work"
cut -f1 /usr/share/dictd/freedict-*.index | LC_ALL=C sort -u > words.txt
cp "$build/tables/english.stb" english.stb

ours="" anchor="" peak="" ratio_mem=""
for _ in $(seq "$rounds"); do
  rm -rf books
  run gen words.txt "$records" 7 >&2
  out=$(run run english.stb)
  echo "sort: $out" >&2
  s=$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$out")
  ours=$(awk -v a="$ours" -v b="$s" 'BEGIN { print (a == "" || b < a) ? b : a }')
  peak=$(sed -n 's/.*peak_ws_mb=\([0-9.]*\).*/\1/p' <<<"$out")
  book=$(sed -n 's/.*book_mb=\([0-9.]*\).*/\1/p' <<<"$out")
  start=$(date +%s.%N)
  LC_ALL=C sort -o sorted.tsv live.tsv
  end=$(date +%s.%N)
  a=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
  anchor=$(awk -v x="$anchor" -v b="$a" 'BEGIN { print (x == "" || b < x) ? b : x }')
done
awk -v o="$ours" -v a="$anchor" 'BEGIN { printf "bench sort_wordbook_1M ours=%.3f anchor=%.3f ratio=%.2f\n", o, a, o / a }'
awk -v o="$peak" -v b="$book" 'BEGIN { printf "bench sort_wordbook_1M_peak_mb ours=%.1f anchor=%.1f ratio=%.2f\n", o, 3 * b, o / (3 * b) }'
