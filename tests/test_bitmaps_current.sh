#!/bin/sh
# The bitmaps under resources/bitmaps are what the generator draws: nobody
# edited one by hand, and a change of the generator came with its files.
set -u
gen="$1"
src="$2"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$gen" "$tmp" || { echo "FAIL the generator did not run"; exit 1; }
fail=0
for f in "$tmp"/*.bmp; do
  name=$(basename "$f")
  if cmp -s "$f" "$src/$name"; then echo "ok   $name"; else echo "FAIL $name differs"; fail=1; fi
done
for f in "$src"/*.bmp; do
  [ -e "$tmp/$(basename "$f")" ] || { echo "FAIL $(basename "$f") is not drawn by the generator"; fail=1; }
done
exit $fail
