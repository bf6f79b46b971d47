#!/usr/bin/env bash
# Times the word-list builder on a 1,000,000-record word book against
# `LC_ALL=C sort` on the same records as inverted tab-separated text.
#   bench/run.sh BUILD_DIR
# Prints: bench NAME ours=SECONDS anchor=SECONDS ratio=OURS/ANCHOR
set -euo pipefail

build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
exe="$build/bin/bench_wordlist.exe"
records=${BENCH_RECORDS:-1000000}
rounds=${BENCH_ROUNDS:-3}
run() { "$src/tools/wine-run.sh" "$build" "$exe" "$@" | tr -d '\r'; }

work="$build/bench-work"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
cd "$work"

# Real words: the headwords (first field) of the FreeDict indexes.
cut -f1 /usr/share/dictd/freedict-*.index | LC_ALL=C sort -u > words.txt
run gen words.txt "$records" 1 >&2

min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# Best of the rounds for each side, interleaved so both see the same machine state.
ours_table="" ours_locale="" anchor="" peak=""
for _ in $(seq "$rounds"); do
  out=$(run run table)
  echo "table: $out" >&2
  ours_table=$(min "$ours_table" "$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$out")")
  ws=$(sed -n 's/.*peak_ws_mb=\([0-9.]*\).*/\1/p' <<<"$out")
  pf=$(sed -n 's/.*peak_pf_mb=\([0-9.]*\).*/\1/p' <<<"$out")
  peak=$(awk -v p="$peak" -v a="$ws" -v b="$pf" 'BEGIN { m = a > b ? a : b; print (p == "" || m > p) ? m : p }')

  out=$(run run locale)
  echo "locale: $out" >&2
  ours_locale=$(min "$ours_locale" "$(sed -n 's/.*seconds=\([0-9.]*\).*/\1/p' <<<"$out")")
  ws=$(sed -n 's/.*peak_ws_mb=\([0-9.]*\).*/\1/p' <<<"$out")
  pf=$(sed -n 's/.*peak_pf_mb=\([0-9.]*\).*/\1/p' <<<"$out")
  peak=$(awk -v p="$peak" -v a="$ws" -v b="$pf" 'BEGIN { m = a > b ? a : b; print (p == "" || m > p) ? m : p }')

  start=$(date +%s.%N)
  LC_ALL=C sort -o sorted.tsv inverted.tsv
  end=$(date +%s.%N)
  anchor=$(min "$anchor" "$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')")
done

line() { awk -v n="$1" -v o="$2" -v a="$3" 'BEGIN { printf "bench %s ours=%.3f anchor=%.3f ratio=%.2f\n", n, o, a, o / a }'; }
line wordlist_reverse_1M "$ours_table" "$anchor"
line wordlist_reverse_1M_locale "$ours_locale" "$anchor"
awk -v o="$peak" 'BEGIN { printf "bench wordlist_reverse_1M_peak_mb ours=%.1f anchor=400 ratio=%.2f\n", o, o / 400 }'
