# Shared by the shell tests of the programs, sourced after `program` is set: a scratch folder
# (the cache folder too), the count of failures and expect.
# shellcheck shell=sh
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
# show keeps its index there, never in the user's own cache.
CUBEPACK_CACHE_DIR="$work/cache"
export CUBEPACK_CACHE_DIR
failures=0

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# expect STATUS ERROR_LINE ARG...: runs the program on `input` (or nothing) into $work/out and
# $work/err, and checks the exit status and standard error: nothing at all when ERROR_LINE is
# empty, exactly that one line otherwise ("*": any one line).
expect() {
  want=$1
  line=$2
  shift 2
  "$program" "$@" > "$work/out" 2> "$work/err" < "${input:-/dev/null}"
  got=$?
  [ "$got" -eq "$want" ] || fail "$* gave exit status $got, not $want: $(head -c 200 "$work/err")"
  if [ -z "$line" ]; then
    [ -s "$work/err" ] && fail "$*: standard error is '$(cat "$work/err")'"
  else
    [ "$(wc -l < "$work/err")" -eq 1 ] || fail "$*: not one line on standard error"
    [ "$line" = "*" ] || [ "$(cat "$work/err")" = "$line" ] ||
      fail "$*: standard error is '$(cat "$work/err")'"
  fi
  return 0
}

# The script's exit status.
finish() {
  exit $((failures > 0))
}
