#!/bin/sh
# Under an address-space limit a program either gets past its allocations or fails with one
# line on standard error and exit status 1, never a signal (an abort is 134). Everything is
# allocated in the first moments, so a run still going after a few seconds has passed.
# Exits 77 (skipped) where the limit cannot be set or does not apply (under the sanitizers).
# usage: memory_limit.sh SECONDS PROGRAM [ARG...]
set -u
seconds=$1
shift
work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

if ! (ulimit -v 200000) 2>/dev/null; then
  echo "the address-space limit cannot be set here"
  exit 77
fi
status=0
for kb in 40000 60000 80000 100000 150000 200000; do
  (ulimit -v $kb && exec timeout -s KILL "$seconds" "$@") > /dev/null 2> "$work/err"
  code=$?
  lines=$(wc -l < "$work/err")
  if grep -q Sanitizer "$work/err"; then
    echo "the sanitizer cannot run under the limit"
    exit 77
  fi
  case $code in
    0|137) [ "$lines" -eq 0 ] && continue ;;  # finished, or still running when stopped
    1) [ "$lines" -eq 1 ] && continue ;;
  esac
  echo "under ulimit -v $kb: exit status $code and $lines line(s) on standard error:"
  head -n 5 "$work/err"
  status=1
done
exit $status
