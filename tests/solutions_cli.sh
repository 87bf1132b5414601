#!/bin/sh
# cubepack-solutions as a user runs it: exit statuses, the one line on standard error, the
# streams verify and show must give up on at once, and show 1 against list's first line, with
# its index in the cache damaged or not to be written.
# usage: solutions_cli.sh PROGRAM DATA_DIR
set -u
program=$1
data=$2
. "$(dirname "$0")/cli_common.sh"

expect 0 "" --help
head -n 1 "$work/out" | grep -q '^Usage:$' || fail "--help: no usage line"
[ -s "$work/err" ] && fail "--help wrote to standard error"

for args in "" "x" "-q" "list -j 0" "list all" "show" "show 0" "show x" "show 1 2" \
  "show - --png" "verify" "verify a b"; do
  # shellcheck disable=SC2086 # the words are the arguments
  expect 2 "*" $args
  grep -q '^cubepack-solutions: .* (try --help)$' "$work/err" || fail "'$args': $(cat "$work/err")"
done

expect 2 "cubepack-solutions: cannot open '$work/none': No such file or directory" verify "$work/none"
expect 2 "*" verify "$work"

expect 0 "" verify "$data/three_packings.txt"
[ "$(cat "$work/out")" = "3 packings, all valid and distinct" ] || fail "verify: $(cat "$work/out")"
input="$data/three_packings.txt" expect 0 "" verify -
: > "$work/empty"
expect 1 "cubepack-solutions: $work/empty: no packings" verify "$work/empty"

# Given up at the first line, without reading (or holding) the rest.
head -c 10000000 /dev/zero | tr '\0' '1' > "$work/long"
input="$work/long" expect 1 "cubepack-solutions: line 1: more than 60 characters" verify -
head -c 1000000 /dev/urandom > "$work/random"
input="$work/random" expect 1 "*" verify -
grep -q '^cubepack-solutions: line [0-9]*: ' "$work/err" || fail "random bytes: $(cat "$work/err")"

head -n 1 "$data/three_packings.txt" > "$work/one"
input="$work/one" expect 0 "" show -
[ "$(wc -l < "$work/out")" -eq 5 ] || fail "show -: not five lines"
cp "$work/out" "$work/drawn"
input="$work/one" expect 0 "" show - --svg
tail -n 1 "$work/out" | grep -q '^</svg>$' || fail "show - --svg: no end tag"
printf '1102310003\n' > "$work/short"
input="$work/short" expect 2 "cubepack-solutions: not a packing: 10 characters, not 60" show -
expect 2 "cubepack-solutions: no packing line on standard input" show -

# The line of a packing file ends in "\r\n" or in nothing: the same drawing as with "\n".
for ending in crlf none; do
  if [ $ending = crlf ]; then format='%s\r\n'; else format='%s'; fi
  # shellcheck disable=SC2059 # the format is one of the two above
  printf "$format" "$(cat "$work/one")" > "$work/ended"
  input="$work/ended" expect 0 "" show -
  cmp -s "$work/out" "$work/drawn" || fail "show - of a line ending in $ending: another drawing"
done

# Bytes that are no characters are named by their value: a terminal shows the fault, not garbage.
printf '\000%s\n' "$(cat "$work/one")" > "$work/nul"
input="$work/nul" expect 2 \
  "cubepack-solutions: not a packing: character 1 is byte 0x00, not 0-9 or A-B" show -
printf '%s\377%s\n' "$(head -c 30 "$work/one")" "$(tail -c 30 "$work/one")" > "$work/ff"
input="$work/ff" expect 2 \
  "cubepack-solutions: not a packing: character 31 is byte 0xFF, not 0-9 or A-B" show -
input="$work/random" expect 2 "*" show -
LC_ALL=C grep -q '[^ -~]' "$work/err" && fail "show - of random bytes: raw bytes on standard error"

# A line of megabytes is refused after its first 62 bytes: the writer is cut off, not drained.
{
  head -c 8000000 /dev/zero | tr '\0' '1' 2> /dev/null
  echo $? > "$work/writer"
} | "$program" show - > "$work/out" 2> "$work/err"
got=$?
[ "$got" -eq 2 ] || fail "show - of a long line gave exit status $got, not 2"
[ "$(cat "$work/err")" = "cubepack-solutions: not a packing: more than 60 characters" ] ||
  fail "show - of a long line: standard error is '$(cat "$work/err")'"
[ "$(cat "$work/writer")" -ne 0 ] || fail "show - read the whole long line"

# show 1 is the first line of list's output, drawn (list stops once head has its line; the
# whole listing's later lines are checked in the regression tests).
"$program" list -j 1 2> /dev/null | head -n 1 > "$work/line"
input="$work/line" expect 0 "" show -
mv "$work/out" "$work/drawn"
expect 0 "" show 1
cmp -s "$work/out" "$work/drawn" || fail "show 1: not the drawing of list's first line"

# show keeps an index of the listing in the cache folder. One damaged there (cut short, a byte
# changed, another file's bytes) is counted anew, to the same bytes, and a cache folder that
# cannot be written is no fault: the drawing is the same every time.
index=$(echo "$CUBEPACK_CACHE_DIR"/packing-index-*)
[ -s "$index" ] || fail "show 1 left no index in the cache folder"
cp "$index" "$work/index"
byte=$(od -An -tu1 -j 24 -N 1 "$work/index" | tr -d ' ')
for damage in cut changed foreign; do
  case $damage in
    cut) head -c 30 "$work/index" > "$index" ;;
    changed)
      {
        head -c 24 "$work/index"
        # shellcheck disable=SC2059 # the format is the octal escape of the changed byte
        printf "\\$(printf %03o $((255 - byte)))"
        tail -c +26 "$work/index"
      } > "$index"
      ;;
    foreign) head -c 200 "$work/random" > "$index" ;;
  esac
  cmp -s "$index" "$work/index" && fail "the $damage index is the index"
  expect 0 "" show 1
  cmp -s "$work/out" "$work/drawn" || fail "show 1 with a $damage index: another drawing"
  cmp -s "$index" "$work/index" || fail "show 1 with a $damage index: not counted anew"
done
CUBEPACK_CACHE_DIR="$work/one/cache" expect 0 "" show 1
cmp -s "$work/out" "$work/drawn" || fail "show 1 with a cache folder below a file: another drawing"

finish
