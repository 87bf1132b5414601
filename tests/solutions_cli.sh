#!/bin/sh
# cubepack-solutions as a user runs it: exit statuses, the one line on standard error, and the
# streams verify must give up on at once.
# usage: solutions_cli.sh PROGRAM DATA_DIR
set -u
program=$1
data=$2
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# expect STATUS ERROR_LINE ARG...: the exit status and, when ERROR_LINE is not empty, that
# standard error is exactly that one line (with "*" it need only be one line).
expect() {
  want=$1
  line=$2
  shift 2
  "$program" "$@" > "$work/out" 2> "$work/err" < "${input:-/dev/null}"
  got=$?
  [ "$got" -eq "$want" ] || fail "$* gave exit status $got, not $want"
  if [ -n "$line" ]; then
    [ "$(wc -l < "$work/err")" -eq 1 ] || fail "$*: not one line on standard error"
    [ "$line" = "*" ] || [ "$(cat "$work/err")" = "$line" ] ||
      fail "$*: standard error is '$(cat "$work/err")'"
  fi
}

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
input="$work/one" expect 0 "" show - --svg
tail -n 1 "$work/out" | grep -q '^</svg>$' || fail "show - --svg: no end tag"
printf '1102310003\n' > "$work/short"
input="$work/short" expect 2 "cubepack-solutions: not a packing: 10 characters, not 60" show -
expect 2 "cubepack-solutions: no packing line on standard input" show -

exit $((failures > 0))
