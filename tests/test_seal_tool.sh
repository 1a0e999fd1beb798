#!/bin/sh
# The operators' seal tool: round trips, the length limit, refusals, and the
# options every tool answers (--help, --version, unknown ones).
set -u
tool="$1"
fail=0
check() { # name, condition result
  if [ "$2" -eq 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fail=1; fi
}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

printf 'mall_id|name with blanks \n\t|\351' > "$tmp/text"
"$tool" seal < "$tmp/text" > "$tmp/sealed"; check "seal exits 0" $?
"$tool" open < "$tmp/sealed" > "$tmp/opened"; check "open exits 0" $?
cmp -s "$tmp/text" "$tmp/opened"; check "every byte comes back, nothing stripped" $?
grep -q '^[A-Za-z0-9%]*$' "$tmp/sealed"; check "sealed text is letters, digits and escapes" $?

head -c 4092 /dev/zero | tr '\0' 'x' > "$tmp/max"
"$tool" seal < "$tmp/max" > "$tmp/maxsealed"; check "4092 bytes are sealed" $?
"$tool" open < "$tmp/maxsealed" | cmp -s - "$tmp/max"; check "4092 bytes come back" $?
head -c 4093 /dev/zero | tr '\0' 'x' | "$tool" seal > /dev/null 2> "$tmp/err"
[ $? -eq 2 ] && [ "$(wc -l < "$tmp/err")" -eq 1 ]; check "4093 bytes are refused with exit 2 and one line" $?

: | "$tool" seal > "$tmp/empty"; check "the empty text is sealed" $?
"$tool" open < "$tmp/empty" | cmp -s - /dev/null; check "the empty text comes back" $?

sed 's/.$//' "$tmp/sealed" | "$tool" open > /dev/null 2> "$tmp/err"
[ $? -eq 2 ] && [ "$(wc -l < "$tmp/err")" -eq 1 ]; check "a cut sealed parameter is refused" $?
printf 'AAAA%%zz' | "$tool" open > /dev/null 2>&1; [ $? -eq 2 ]; check "bad URL escapes are refused" $?
"$tool" frobnicate > /dev/null 2>&1; [ $? -eq 2 ]; check "usage errors exit 2" $?

"$tool" --help > "$tmp/out" 2> "$tmp/err"; rc=$?
[ $rc -eq 0 ] && head -n 1 "$tmp/out" | grep -q '^usage: vemompi-seal seal|open' && [ ! -s "$tmp/err" ]
check "--help prints the usage on standard output and exits 0" $?
"$tool" --version > "$tmp/out" 2> "$tmp/err"; rc=$?
[ $rc -eq 0 ] && [ "$(wc -l < "$tmp/out")" -eq 1 ] && grep -Eq '^vemompi-seal [0-9]+\.[0-9]+$' "$tmp/out"
check "--version prints one line: the name and the version" $?
for option in --bogus -x; do
  "$tool" $option < /dev/null > "$tmp/out" 2> "$tmp/err"; rc=$?
  [ $rc -eq 2 ] && [ ! -s "$tmp/out" ] && grep -q '^usage: vemompi-seal' "$tmp/err"
  check "$option: the usage on standard error, exit 2" $?
done
"$tool" seal --bogus < /dev/null > "$tmp/out" 2> "$tmp/err"; rc=$?
[ $rc -eq 2 ] && [ ! -s "$tmp/out" ]; check "an unknown option after the command is refused too" $?
# It handles card data: no core file, whatever the shell's limit.
mkfifo "$tmp/fifo"
"$tool" seal < "$tmp/fifo" > /dev/null 2>&1 &
pid=$!
exec 3> "$tmp/fifo"
core=""
for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20; do
  core=$(sed -n 's/^Max core file size *\([^ ]*\) *\([^ ]*\).*/\1 \2/p' "/proc/$pid/limits" 2>/dev/null)
  [ "$core" = "0 0" ] && break
  sleep 0.1
done
exec 3>&-
wait "$pid"
[ "$core" = "0 0" ]; check "no core dumps (RLIMIT_CORE 0)" $?

exit $fail
