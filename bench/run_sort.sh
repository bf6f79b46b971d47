#!/usr/bin/env bash
# Times sorting a 1,000,000-record word book (5% marked deleted) the way the
# program does, with the collation table and under the pair's locale, against
# `LC_ALL=C sort` on the live records as tab-separated text followed by a
# flush of sort's output to disk (our sort flushes its output too).
#   bench/run_sort.sh BUILD_DIR
# Prints on stdout the best round: bench NAME ours=SECONDS anchor=SECONDS ratio=OURS/ANCHOR
# and on stderr each round and the median over the rounds.
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
run gen words.txt "$records" 7 >&2
cp books/eng_ned.wb unsorted.wb

field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
# One sort of the unsorted book; prints its seconds, peak and book size.
ours() {
  cp unsorted.wb books/eng_ned.wb
  sync books/eng_ned.wb
  local out
  out=$(run run "$1")
  echo "sort $1: $out" >&2
  grep -q 'result=0' <<<"$out"
  echo "$(field seconds "$out") $(field peak_ws_mb "$out") $(field book_mb "$out")"
}

table=() locale=() anchor=() peak=() book=""
for _ in $(seq "$rounds"); do
  read -r s p book < <(ours english.stb)
  table+=("$s") peak+=("$p")
  read -r s p book < <(ours locale)
  locale+=("$s") peak+=("$p")
  rm -f sorted.tsv
  start=$(date +%s.%N)
  LC_ALL=C sort -o sorted.tsv live.tsv
  sync sorted.tsv
  end=$(date +%s.%N)
  a=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
  echo "anchor: seconds=$a" >&2
  anchor+=("$a")
done

# best (min, or max for the peak) and median of a list of numbers
best() { printf '%s\n' "$@" | sort -g | head -1; }
worst() { printf '%s\n' "$@" | sort -g | tail -1; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
line() { awk -v k="$1" -v n="$2" -v o="$3" -v a="$4" 'BEGIN { printf "%s %s ours=%.3f anchor=%.3f ratio=%.2f\n", k, n, o, a, o / a }'; }
mem_anchor=$(awk -v b="$book" 'BEGIN { printf "%.1f", 2 * b }')
peak_line() { awk -v k="$1" -v o="$2" -v a="$mem_anchor" 'BEGIN { printf "%s sort_wordbook_1M_peak_mb ours=%.1f anchor=%.1f ratio=%.2f\n", k, o, a, o / a }'; }

line bench sort_wordbook_1M "$(best "${table[@]}")" "$(best "${anchor[@]}")"
line bench sort_wordbook_1M_locale "$(best "${locale[@]}")" "$(best "${anchor[@]}")"
peak_line bench "$(worst "${peak[@]}")"
line median sort_wordbook_1M "$(median "${table[@]}")" "$(median "${anchor[@]}")" >&2
line median sort_wordbook_1M_locale "$(median "${locale[@]}")" "$(median "${anchor[@]}")" >&2
peak_line median "$(median "${peak[@]}")" >&2
