#!/usr/bin/env bash
# Times importing a 100,000-line TSV into a 1,000,000-record word book the
# way the program does it (plan, then forward, reverse and journal entries
# and both books sorted), against `wbtool import` of the same TSV into a new
# book plus one sort of a 1,100,000-record book with the program's sort.
#   bench/run_import.sh BUILD_DIR
# Prints on stdout the best round: bench NAME ours=SECONDS anchor=SECONDS ratio=OURS/ANCHOR
# and on stderr each round and the median over the rounds.
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
exe="$build/bin/bench_import.exe"
wbtool="$build/bin/wbtool.exe"
records=${BENCH_RECORDS:-1000000}
lines=${BENCH_LINES:-100000}
rounds=${BENCH_ROUNDS:-3}
run() { "$src/tools/wine-run.sh" "$build" "$@" | tr -d '\r'; }

work="$build/bench-import"
rm -rf "$work"
mkdir -p "$work/tables" "$work/pristine"
trap 'rm -rf "$work"' EXIT
cd "$work"
cut -f1 /usr/share/dictd/freedict-*.index | LC_ALL=C sort -u > words.txt
cp "$build/tables/english.stb" "$build/tables/dutch.stb" tables/
run "$exe" gen words.txt "$records" "$lines" 3 >&2
cp books/*.wb sort.wb pristine/

field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p" <<<"$2"; }
seconds_of() { local s; s=$(date +%s.%N); "$@" >/dev/null; awk -v s="$s" -v e="$(date +%s.%N)" 'BEGIN { printf "%.3f", e - s }'; }

ours=() anchor=()
for _ in $(seq "$rounds"); do
  rm -rf new books/*.new books/*.old
  cp pristine/eng_ned.wb pristine/ned_eng.wb books/
  cp pristine/sort.wb .
  sync
  out=$(run "$exe" run)
  echo "import: $out" >&2
  grep -q 'result=0' <<<"$out"
  ours+=("$(field seconds "$out")")
  rm -f tool.wb
  t=$(seconds_of run "$wbtool" import --format tsv import.tsv tool.wb --source-charset 0 --target-charset 0 \
        --table tables/english.stb)
  out=$(run "$exe" sort)
  grep -q 'result=0' <<<"$out"
  s=$(field seconds "$out")
  echo "anchor: wbtool=$t sort=$s" >&2
  anchor+=("$(awk -v a="$t" -v b="$s" 'BEGIN { printf "%.3f", a + b }')")
done

best() { printf '%s\n' "$@" | sort -g | head -1; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
line() { awk -v k="$1" -v n="$2" -v o="$3" -v a="$4" 'BEGIN { printf "%s %s ours=%.3f anchor=%.3f ratio=%.2f\n", k, n, o, a, o / a }'; }

line bench import_100k_into_1M "$(best "${ours[@]}")" "$(best "${anchor[@]}")"
line median import_100k_into_1M "$(median "${ours[@]}")" "$(median "${anchor[@]}")" >&2
