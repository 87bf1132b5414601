#!/bin/sh
# The man pages render without a single warning from groff, as PostScript (groff's default
# device) and as the UTF-8 text man shows on a terminal. Exit 77 (skipped) without groff.
# usage: man_pages.sh MAN_DIR
set -u

dir=$1
if ! command -v groff >/dev/null 2>&1; then
  echo "man_pages: groff is not installed (Debian package groff-base); skipped"
  exit 77
fi

status=0
count=0
for page in "$dir"/*.1; do
  [ -f "$page" ] || continue
  count=$((count + 1))
  for device in ps utf8; do
    if ! warnings=$(groff -man -ww -z -T"$device" "$page" 2>&1 >/dev/null); then
      echo "FAIL: groff -man -ww -z -T$device $page exited with a failure: $warnings"
      status=1
    elif [ -n "$warnings" ]; then
      echo "FAIL: groff -man -ww -z -T$device $page warned:"
      echo "$warnings"
      status=1
    fi
  done
done
if [ "$count" -ne 3 ]; then
  echo "FAIL: $count man pages in $dir, not the three programs' pages"
  status=1
fi
[ "$status" -eq 0 ] && echo "man_pages: $count pages render without a warning"
exit "$status"
