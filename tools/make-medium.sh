#!/usr/bin/env bash
# Assembles one delivery medium in BUILD/medium/LANGUAGE from the built programs
# and data, and makes its word books from Debian's FreeDict dictionaries.
#   make-medium.sh SOURCE_DIR BUILD_DIR LANGUAGE
set -euo pipefail
src=$1 build=$2 lang=$3
out="$build/medium/$lang"
run="$src/tools/wine-run.sh $build"
rm -rf "$out.new"
mkdir -p "$out.new"/{books,tables,charset,icons}
cd "$out.new"

# Programs, strings, script and settings.
for exe in setup wbtool wordbook; do
  [ -f "$build/bin/$exe.exe" ] && cp "$build/bin/$exe.exe" .
done
cp "$build/strings/$lang.str" .
cp "$src/data/medium/$lang/install.inf" "$src/data/medium/$lang/LANGUAGE.CF" "$src/data/medium/$lang/language.in_" .
iconv -f UTF-8 -t CP1252 "$src/data/medium/$lang/readme.txt" | sed 's/$/\r/' > readme.txt

# Collation tables, character files, icons, pictures, sounds, help.
cp "$build"/tables/*.stb tables/
declare -A cp=([english]=1252 [nederlands]=1252 [francais]=1252 [deutsch]=1252 [greek]=1253 [polish]=1250)
for name in "${!cp[@]}"; do
  iconv -f UTF-8 -t "CP${cp[$name]}" "$src/data/charset/$name.txt" > "charset/$name.chs"
done
if [ -d "$build/assets" ]; then
  for name in "${!cp[@]}"; do
    for ico in "$build/assets/$name.ico" "$build/assets/${name:0:3}.ico"; do
      [ -f "$ico" ] && cp "$ico" icons/
    done
  done
  for f in logo.bmp logo-144.bmp logo-192.bmp dict.avi dict-144.avi dict-192.avi right.wav wrong.wav skipped.wav; do
    [ -f "$build/assets/$f" ] && cp "$build/assets/$f" .
  done
fi
# The help file of this language, and its pages for systems without a help viewer.
help=$(sed -n 's/^FilenameHelp=//p' "$src/data/strings/$lang.txt")
help=${help%.chm}
if [ -f "$build/help/$help.chm" ]; then
  cp "$build/help/$help.chm" .
  mkdir -p "help/$help"
  cp "$build/help/$help"/* "help/$help/"
fi

# Delivered word books: foreign language into the main language.
if [ "$lang" = english ]; then main=eng; else main=nld; fi
declare -A code=([nederlands]=nld [english]=eng [francais]=fra [deutsch]=deu [greek]=ell [polish]=pol)
declare -A charset=([nederlands]=0 [english]=0 [francais]=0 [deutsch]=0 [greek]=161 [polish]=238)
while IFS=, read -r name locale cs long; do
  case "$name" in ''|'#'*) continue ;; esac
  dict="/usr/share/dictd/freedict-${code[$name]}-$main.index"
  $run "$build/bin/wbtool.exe" import --format dictd "Z:$dict" "books\\${long}_$lang.wb" \
      --source-charset "${charset[$name]}" --target-charset 0 --table "tables\\$long.stb" > "books/${long}.log"
done < <(grep -v '^#' LANGUAGE.CF | awk 'NR % 3 == 1')
rm -f books/*.log

cd ..
rm -rf "$out"
mv "$out.new" "$out"
