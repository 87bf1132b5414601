#!/bin/sh
# The whole listing through cubepack-solutions itself: verify accepts it as it stands, show N
# draws its line N, and show one past its end is a usage error. list and that last show are
# each a whole search.
# usage: solutions_whole_listing.sh PROGRAM
set -u
program=$1
. "$(dirname "$0")/cli_common.sh"

# verify reads the listing as list writes it.
verdict=$({
  "$program" list -j 2
  echo $? > "$work/status"
} | tee "$work/listing" | "$program" verify -)
[ "$verdict" = "409963 packings, all valid and distinct" ] || fail "verify: $verdict"
[ "$(cat "$work/status")" -eq 0 ] || fail "list gave exit status $(cat "$work/status")"

# show N stops at packing N of the same listing.
sed -n 1000p "$work/listing" | "$program" show - > "$work/drawn" || fail "show - of line 1000"
"$program" show 1000 > "$work/out" || fail "show 1000 gave exit status $?"
cmp -s "$work/out" "$work/drawn" || fail "show 1000: not the drawing of line 1000 of list"

# One past the last packing: the search runs to its end and finds none.
"$program" show 409964 > "$work/out" 2> "$work/err"
got=$?
[ "$got" -eq 2 ] || fail "show 409964 gave exit status $got, not 2"
[ -s "$work/out" ] && fail "show 409964 wrote to standard output"
[ "$(cat "$work/err")" = "cubepack-solutions: the listing has no packing 409964" ] ||
  fail "show 409964: standard error is '$(cat "$work/err")'"

finish
