#!/bin/sh
# A program whose standard output is full or closed must say so in one line on standard error
# and exit with status 1 (not a signal, not a partial success).
# usage: failed_output.sh PROGRAM [ARG...]
set -u
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
status=0

check() {  # check WHAT STATUS
  lines=$(wc -l < "$work/err")
  if [ "$2" -ne 1 ] || [ "$lines" -ne 1 ]; then
    echo "standard output $1: exit status $2 and $lines line(s) on standard error:"
    cat "$work/err"
    status=1
  fi
}

"$@" > /dev/full 2> "$work/err"
check full $?
"$@" >&- 2> "$work/err"
check closed $?
exit $status
