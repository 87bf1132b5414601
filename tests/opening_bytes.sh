#!/bin/sh
# The program's opening output, the start line and the twelve catalogue lines, must match the
# expected run's byte for byte and, when a reference program is named, that program's opening.
# A Windows build writing standard output in text mode fails here with "\r\r\n".
# usage: opening_bytes.sh EXPECTED_RUN REFERENCE_PROGRAM|"" PROGRAM [ARG...]
set -u
expected=$1
reference=$2
shift 2
lines=13

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT

# The program searches on for a minute; it stops at its first write after head has quit.
opening() { "$@" 2>/dev/null | head -n "$lines"; }

head -n "$lines" "$expected" > "$work/expected"
opening "$@" > "$work/program"
status=0
if [ "$(wc -l < "$work/program")" -ne "$lines" ]; then
  echo "the program wrote fewer than $lines lines:"
  od -c "$work/program" | head -n 20
  status=1
fi
if ! cmp "$work/expected" "$work/program"; then
  echo "the opening differs from $expected"
  status=1
fi
if [ -n "$reference" ]; then
  opening "$reference" > "$work/reference"
  if ! cmp "$work/reference" "$work/program"; then
    echo "the opening differs from that of $reference"
    status=1
  fi
fi
exit $status
