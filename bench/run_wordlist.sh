#!/usr/bin/env bash
# Times the word-list builder on a 1,000,000-record word book, with the
# collation table and under a locale, against `LC_ALL=C sort` on the same
# records as inverted tab-separated text followed by a flush of sort's output
# to disk (the builder flushes its output too).
#   bench/run_wordlist.sh BUILD_DIR
# Prints on stdout the best round: bench NAME ours=SECONDS anchor=SECONDS ratio=OURS/ANCHOR
# and on stderr each round and the median over the rounds.
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

field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
# One build; prints its seconds and its peak memory.
ours() {
  local out
  out=$(run run "$1")
  echo "$1: $out" >&2
  awk -v s="$(field seconds "$out")" -v a="$(field peak_ws_mb "$out")" -v b="$(field peak_pf_mb "$out")" \
    'BEGIN { print s, (a > b ? a : b) }'
}

# Rounds interleave both sides so that they see the same machine state.
table=() locale=() anchor=() peak=()
for _ in $(seq "$rounds"); do
  read -r s p < <(ours table)
  table+=("$s") peak+=("$p")
  read -r s p < <(ours locale)
  locale+=("$s") peak+=("$p")
  rm -f sorted.tsv
  start=$(date +%s.%N)
  LC_ALL=C sort -o sorted.tsv inverted.tsv
  sync sorted.tsv
  end=$(date +%s.%N)
  a=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f", e - s }')
  echo "anchor: seconds=$a" >&2
  anchor+=("$a")
done

best() { printf '%s\n' "$@" | sort -g | head -1; }
worst() { printf '%s\n' "$@" | sort -g | tail -1; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
line() { awk -v k="$1" -v n="$2" -v o="$3" -v a="$4" 'BEGIN { printf "%s %s ours=%.3f anchor=%.3f ratio=%.2f\n", k, n, o, a, o / a }'; }
peak_line() { awk -v k="$1" -v o="$2" 'BEGIN { printf "%s wordlist_reverse_1M_peak_mb ours=%.1f anchor=400.0 ratio=%.2f\n", k, o, o / 400 }'; }

line bench wordlist_reverse_1M "$(best "${table[@]}")" "$(best "${anchor[@]}")"
line bench wordlist_reverse_1M_locale "$(best "${locale[@]}")" "$(best "${anchor[@]}")"
peak_line bench "$(worst "${peak[@]}")"
line median wordlist_reverse_1M "$(median "${table[@]}")" "$(median "${anchor[@]}")" >&2
line median wordlist_reverse_1M_locale "$(median "${locale[@]}")" "$(median "${anchor[@]}")" >&2
peak_line median "$(median "${peak[@]}")" >&2
