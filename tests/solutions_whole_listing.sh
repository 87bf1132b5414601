#!/bin/sh
# The whole listing through cubepack-solutions itself: verify accepts it as it stands, show N
# draws its line N, from the first and last lines of tasks spread over it to its very last, and
# show one past its end is a usage error. list, the first show past line 1000 and the show with
# a damaged index are each a whole search.
# usage: solutions_whole_listing.sh PROGRAM
set -u
program=$1
. "$(dirname "$0")/cli_common.sh"

# verify reads the listing as list writes it.
# list saves the index that show uses, in a folder of its own here.
verdict=$({
  CUBEPACK_CACHE_DIR="$work/listed" "$program" list -j 2
  echo $? > "$work/status"
} | tee "$work/listing" | "$program" verify -)
[ "$verdict" = "409963 packings, all valid and distinct" ] || fail "verify: $verdict"
[ "$(cat "$work/status")" -eq 0 ] || fail "list gave exit status $(cat "$work/status")"

# show N is line N of that listing, drawn.
check_show() {
  sed -n "$1p" "$work/listing" | "$program" show - > "$work/drawn" || fail "show - of line $1"
  "$program" show "$1" > "$work/out" || fail "show $1 gave exit status $?"
  cmp -s "$work/out" "$work/drawn" || fail "show $1: not the drawing of line $1 of list"
}

# Its index (cli_common.sh gives the cache folder) is counted as far as N needs, then on to the
# end. The file: a 24-byte header (the task count at byte 16, the tasks counted at byte 20), a
# 4-byte count of packings for each task (three-piece board) in listing order, a checksum.
check_show 1000
check_show 409963
index=$(echo "$CUBEPACK_CACHE_DIR"/packing-index-*)
word() { od -An -tu4 -j "$1" -N 4 "$index" | tr -d ' '; }
tasks=$(word 16)
[ "$(word 20)" = "$tasks" ] || fail "the index counts $(word 20) of $tasks tasks"
od -An -v -tu4 -j 24 -N $((4 * tasks)) "$index" | tr -s ' ' '\n' | grep . > "$work/counts"
[ "$(wc -l < "$work/counts")" -eq "$tasks" ] || fail "the index holds $(wc -l < "$work/counts") counts"
[ "$(awk '{ n += $1 } END { print n }' "$work/counts")" -eq 409963 ] ||
  fail "the index adds up to $(awk '{ n += $1 } END { print n }' "$work/counts") packings"
# The same counts; the signatures differ, each folder having a secret of its own.
head -c $((24 + 4 * tasks)) "$work/listed/${index##*/}" > "$work/listed-counts"
head -c $((24 + 4 * tasks)) "$index" > "$work/shown-counts"
cmp -s "$work/listed-counts" "$work/shown-counts" || fail "list saved another index than show counted"

# Now read from it: the first and the last line of tasks spread over the listing.
# shellcheck disable=SC2016 # awk's fields
spread='$1 > 0 && NR >= at { print n + 1; print n + $1; at += 1500 } { n += $1 }'
# shellcheck disable=SC2013 # one number a line; a loop in a pipe would lose the failures
for n in $(awk -v at=1 "$spread" "$work/counts"); do
  check_show "$n"
done

# One past the last packing: no task holds it.
"$program" show 409964 > "$work/out" 2> "$work/err"
got=$?
[ "$got" -eq 2 ] || fail "show 409964 gave exit status $got, not 2"
[ -s "$work/out" ] && fail "show 409964 wrote to standard output"
[ "$(cat "$work/err")" = "cubepack-solutions: the listing has no packing 409964" ] ||
  fail "show 409964: standard error is '$(cat "$work/err")'"

# A byte changed in the last task's count: the index is counted anew, to the same bytes.
cp "$index" "$work/index"
at=$((24 + 4 * (tasks - 1)))
byte=$(od -An -tu1 -j "$at" -N 1 "$work/index" | tr -d ' ')
{
  head -c "$at" "$work/index"
  # shellcheck disable=SC2059 # the format is the octal escape of the changed byte
  printf "\\$(printf %03o $((255 - byte)))"
  tail -c +$((at + 2)) "$work/index"
} > "$index"
cmp -s "$index" "$work/index" && fail "the changed index is the index"
check_show 409963
cmp -s "$index" "$work/index" || fail "show 409963 with a changed index: not counted anew"

finish
