#!/bin/sh
# count --journal and --progress as a user meets them: a count killed at random moments and run
# again until it ends prints what a count never stopped prints, each task in the journal once; a
# last line cut short is counted again; a finished journal gives the count at once; another
# count's journal, a damaged one and a file that cannot grow are refused in one line; and
# --progress writes its lines on standard error while standard output stays the same.
# usage: count_journal_cli.sh PROGRAM PUZZLES_DIR
set -u
program=$1
puzzles=$2
. "$(dirname "$0")/cli_common.sh"

box="$puzzles/pentominoes-3x4x5.txt"  # 7353 tasks, about 2 s on two threads
tasks=7353
strip() { sed 's/"seconds":[0-9.]*//' "$1"; }

# The count never stopped, with a progress line every 0.2 s; its time sets the kills' moments,
# so that they fall inside a count in a sanitizer's build too.
started=$(date +%s%N)
"$program" count --puzzle "$box" --json -j 2 --progress 0.2 > "$work/whole" 2> "$work/progress"
took=$(( ($(date +%s%N) - started) / 1000000 ))
strip "$work/whole" > "$work/want"
grep -q '"solutions":7880,"solutions_fixed":31520,}$' "$work/want" ||
  fail "count: $(cat "$work/whole")"
grep -Eq "^cubepack-solutions: [0-9]+/$tasks tasks, [0-9]+\.[0-9] % of the work" "$work/progress" ||
  fail "--progress 0.2: no progress line: $(head -c 300 "$work/progress")"
grep -Evq "^cubepack-solutions: [0-9]+/$tasks tasks, [0-9]+\.[0-9] % of the work(, about [0-9]+ (s|min|h|days) left)?$" \
  "$work/progress" && fail "--progress 0.2: $(head -c 300 "$work/progress")"

# Killed four times, each run going on from the journal the one before left.
journal="$work/journal"
delays=$(awk -v ms="$took" 'BEGIN { srand(); for (i = 0; i < 4; i++) printf "%.2f ", ms / 1000 * (0.1 + 0.6 * rand()) }')
for delay in $delays; do
  "$program" count --puzzle "$box" --json -j 2 --journal "$journal" > /dev/null 2>&1 &
  pid=$!
  sleep "$delay"
  kill -9 "$pid" 2> /dev/null
  wait "$pid" 2> /dev/null
done
expect 0 "" count --puzzle "$box" --json -j 2 --journal "$journal"
[ "$(strip "$work/out")" = "$(cat "$work/want")" ] ||
  fail "killed after $delays s: $(cat "$work/out")"
[ "$(wc -l < "$journal")" -eq $((tasks + 1)) ] &&
  [ -z "$(awk 'NR > 1 { print $2 }' "$journal" | sort | uniq -d)" ] ||
  fail "killed after $delays s: not each task once in the journal"

# Finished: the count at once, the journal as it was.
cp "$journal" "$work/finished"
expect 0 "" count --puzzle "$box" --json -j 2 --journal "$journal"
[ "$(strip "$work/out")" = "$(cat "$work/want")" ] || fail "finished journal: $(cat "$work/out")"
cmp -s "$journal" "$work/finished" || fail "a finished journal changed"

# Cut short in the middle of a line: that task and those after it counted again.
head -c 100005 "$work/finished" > "$journal"
expect 0 "" count --puzzle "$box" --json -j 2 --journal "$journal"
[ "$(strip "$work/out")" = "$(cat "$work/want")" ] || fail "torn journal: $(cat "$work/out")"
# Written in task order, it is the whole journal again, byte for byte.
cmp -s "$journal" "$work/finished" || fail "torn journal: not the whole journal again"

# Another puzzle's, and one damaged before its last line: refused, left as they are.
expect 1 "cubepack-solutions: $journal: a journal of another puzzle" \
  count --puzzle "$puzzles/soma-3x3x3.txt" --journal "$journal"
cmp -s "$journal" "$work/finished" || fail "another puzzle's journal changed"
sed '3s/^task \([0-9]*\) [0-9]*/task \1 999/' "$work/finished" > "$journal"
cp "$journal" "$work/damaged"
expect 1 "cubepack-solutions: $journal:3: a damaged line before the last: the journal is corrupt" \
  count --puzzle "$box" --journal "$journal"
cmp -s "$journal" "$work/damaged" || fail "a damaged journal changed"

# A journal that cannot grow past 8 KiB (ulimit -f counts 512-byte blocks) ends the count.
(trap '' XFSZ && ulimit -f 16 && exec "$program" count --puzzle "$box" -j 2 \
  --journal "$work/small") > /dev/null 2> "$work/err"
status=$?
[ "$status" -eq 1 ] && [ "$(cat "$work/err")" = "cubepack-solutions: cannot write '$work/small': File too large" ] ||
  fail "a journal that cannot grow: status $status, $(cat "$work/err")"

# list: the same lines with --progress, and the progress lines apart.
"$program" list --puzzle "$box" -j 2 --progress 0.2 > "$work/list" 2> "$work/progress"
[ "$(wc -l < "$work/list")" -eq 7880 ] || fail "list --progress: $(wc -l < "$work/list") lines"
grep -Eq "^cubepack-solutions: [0-9]+ packings, [0-9]+/$tasks tasks, " "$work/progress" ||
  fail "list --progress 0.2: $(head -c 300 "$work/progress")"
finish
