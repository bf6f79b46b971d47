#!/usr/bin/env bash
# The windows that page through the word book (search, list maker, recording,
# add-words) opened, moved about and closed on a 1,000,000-record book against
# an empty one. Memory: the extra MB the big book costs (peak working set or
# private bytes, whichever grew more) against a budget of 64 MB; time: the
# window's open, moves and close with the big book against the empty one.
#   bench/run_scale.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
exe="$build/bin/bench_scale.exe"
records=${BENCH_RECORDS:-1000000}
rounds=${BENCH_ROUNDS:-3}
budget=64
windows="search listmaker record addwords"
run() { "$src/tools/wine-run.sh" "$build" "$exe" "$@" | tr -d '\r'; }
field() { sed -n "s/.* $1=\([0-9.]*\).*/\1/p" <<<"$2"; }

work="$build/bench-scale"
rm -rf "$work"
mkdir -p "$work/big" "$work/empty"
trap 'rm -rf "$work"' EXIT
cut -f1 /usr/share/dictd/freedict-*.index | LC_ALL=C sort -u > "$work/words.txt"
(cd "$work/big" && run gen ../words.txt "$records" 7 >&2)
(cd "$work/empty" && run gen ../words.txt 0 7 >&2)

declare -A mb seconds anchor
for _ in $(seq "$rounds"); do
  for w in $windows; do
    big=$(cd "$work/big" && run run "$w")
    empty=$(cd "$work/empty" && run run "$w")
    echo "scale 1M:    $big" >&2
    echo "scale empty: $empty" >&2
    extra=$(awk -v bp="$(field ws_peak "$big")" -v ep="$(field ws_peak "$empty")" \
                -v bv="$(field private_during "$big")" -v ev="$(field private_during "$empty")" \
                'BEGIN { a = bp - ep; b = bv - ev; printf "%.2f", (a > b ? a : b) }')
    mb[$w]+="$extra "
    seconds[$w]+="$(field seconds "$big") "
    anchor[$w]+="$(field seconds "$empty") "
  done
done

# Best round on stdout, median on stderr.
pick() { tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort -g | awk -v m="$2" '{ v[NR] = $1 } END { print (m == "best") ? v[1] : v[int((NR + 1) / 2)] }'; }
for w in $windows; do
  for how in best median; do
    m=$(pick "${mb[$w]}" "$how")
    o=$(pick "${seconds[$w]}" "$how")
    a=$(pick "${anchor[$w]}" "$how")
    line1=$(awk -v n="scale_${w}_1M_mb" -v o="$m" -v a="$budget" 'BEGIN { printf "%s ours=%.2f anchor=%d ratio=%.3f", n, o, a, o / a }')
    line2=$(awk -v n="scale_${w}_1M_seconds" -v o="$o" -v a="$a" 'BEGIN { printf "%s ours=%.4f anchor=%.4f ratio=%.2f", n, o, a, (a > 0 ? o / a : 0) }')
    if [ "$how" = best ]; then
      echo "bench $line1"
      echo "bench $line2"
    else
      echo "median $line1" >&2
      echo "median $line2" >&2
    fi
  done
done
