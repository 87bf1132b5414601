#!/bin/sh
# show --html in a real browser: headless Chromium (WebGL through SwiftShader) opens pages of the
# built-in puzzle, of a puzzle file whose name is hostile markup and of one with 60 pieces, and
# page_check.py reads its screenshots: no console message at all, every piece on the surface
# seen in its colour from two opposite corners, the exploded view wider, a hidden piece gone;
# page_interaction.py clicks, drags and moves the slider, and reads the URL's fragment.
# The hostile name must reach the page as text. Exits 77 (skipped) without Chromium or python3,
# and where the build left the page out (after checking that show --html then fails in one line).
# usage: html_page.sh PROGRAM [SCREENSHOT]  (SCREENSHOT: where to keep the exploded view's PNG)
set -u
program=$1
keep=${2:-}
. "$(dirname "$0")/cli_common.sh"
check="$(dirname "$0")/page_check.py"

chromium=$(command -v chromium || command -v chromium-browser) || {
  echo "chromium not installed: skipped"
  exit 77
}
command -v python3 > /dev/null || {
  echo "python3 not installed: skipped"
  exit 77
}
"$program" show 1 --html > "$work/builtin.html" 2> "$work/err"
if [ $? -eq 2 ] && grep -q "three.js" "$work/err"; then
  [ "$(wc -l < "$work/err")" -eq 1 ] || fail "show --html without three.js: not one line"
  [ "$failures" -eq 0 ] && exit 77
  finish
fi
expect 0 "" show 1 --html
mv "$work/out" "$work/builtin.html"
size=$(wc -c < "$work/builtin.html")
[ "$size" -le 3145728 ] || fail "the built-in puzzle's page is $size bytes, over 3 MB"

# shot PAGE FRAGMENT NAME: a screenshot of the page opened at the fragment into $work/NAME.png;
# any console line (an error, a warning, a log) fails.
shot() {
  profile=$(mktemp -d "$work/profile.XXXXXX")
  timeout 120 "$chromium" --headless --no-sandbox --user-data-dir="$profile" \
    --use-angle=swiftshader --enable-unsafe-swiftshader --hide-scrollbars --window-size=800,600 \
    --virtual-time-budget=5000 --enable-logging=stderr --v=0 --screenshot="$work/$3.png" \
    "file://$1$2" > "$work/$3.log" 2>&1
  [ -s "$work/$3.png" ] || fail "no screenshot of $1$2: $(tail -n 3 "$work/$3.log")"
  if grep -q ":CONSOLE" "$work/$3.log"; then
    fail "console of $1$2: $(grep ":CONSOLE" "$work/$3.log" | head -n 3)"
  fi
}

# views PAGE PREFIX: the page from two opposite corners, assembled, the exploded view, and a
# page with piece $3 hidden, both corners; then the checks.
views() {
  shot "$1" "#shade=0" "$2-near"
  shot "$1" "#shade=0&cam=-9,-7,-10" "$2-far"
  shot "$1" "#shade=0&explode=1" "$2-exploded"
  shot "$1" "#shade=0&hide=$3" "$2-hidden-near"
  shot "$1" "#shade=0&hide=$3&cam=-9,-7,-10" "$2-hidden-far"
  python3 "$check" colours "$1" - "$work/$2-near.png" "$work/$2-far.png" || fail "$2: assembled"
  python3 "$check" spread "$work/$2-near.png" "$work/$2-exploded.png" || fail "$2: exploded"
  python3 "$check" colours "$1" "$3" "$work/$2-hidden-near.png" "$work/$2-hidden-far.png" ||
    fail "$2: piece $3 hidden"
}

views "$work/builtin.html" builtin 6
timeout 120 python3 "$(dirname "$0")/page_interaction.py" "$chromium" "$work/builtin.html" \
  "$(mktemp -d "$work/profile.XXXXXX")" ||
  fail "the page's clicks, drag and slider"
if [ -n "$keep" ]; then
  shot "$work/builtin.html" "#explode=0.45&cam=8,8.5,13.5" readme
  cp "$work/readme.png" "$keep"
fi

# A name that would run script if it were pasted into the page as markup.
cat > "$work/hostile.txt" << 'PUZZLE'
name </script><script>document.title='owned'</script><img src=x onerror="document.title='owned'">&amp;
box 3 2 1
piece L 0,0,0 1,0,0 0,1,0
piece J 0,0,0 1,0,0 1,1,0
PUZZLE
expect 0 "" show 1 --html --puzzle "$work/hostile.txt"
mv "$work/out" "$work/hostile.html"
profile=$(mktemp -d "$work/profile.XXXXXX")
timeout 120 "$chromium" --headless --no-sandbox --user-data-dir="$profile" \
  --use-angle=swiftshader --enable-unsafe-swiftshader --virtual-time-budget=5000 \
  --dump-dom "file://$work/hostile.html" > "$work/dom.html" 2> /dev/null
grep -q "<h1 id=\"title\">&lt;/script&gt;&lt;script&gt;document.title='owned'" "$work/dom.html" ||
  fail "the hostile name is not the heading's text: $(grep -o '<h1.\{0,80\}' "$work/dom.html")"
grep -q "owned</title>\|<title>owned" "$work/dom.html" && fail "the hostile name ran script"
views "$work/hostile.html" hostile J

# Sixty pieces, one cube each: every colour told from the others.
printf 'box 5 4 3\npiece c copies 60 0,0,0\n' > "$work/sixty.txt"
expect 0 "" show 1 --html --puzzle "$work/sixty.txt"
mv "$work/out" "$work/sixty.html"
shot "$work/sixty.html" "#shade=0" sixty-near
shot "$work/sixty.html" "#shade=0&cam=-9,-7,-10" sixty-far
python3 "$check" colours "$work/sixty.html" - "$work/sixty-near.png" "$work/sixty-far.png" ||
  fail "sixty pieces"

# The tray's disassembly played: its cubes shut in at the start, out in view after the last
# move, and halfway after the first two moves.
tray="$(dirname "$0")/data/disassembly/tray.txt"
expect 0 "" show 1 --html --moves --puzzle "$tray"
mv "$work/out" "$work/tray.html"
grep -q '"movesTitle":"level 2.2, 4 moves"' "$work/tray.html" || fail "the tray's page: no moves"
shot "$work/tray.html" "#shade=0" tray-start
shot "$work/tray.html" "#shade=0&step=2&cam=20,-15,-50" tray-half
shot "$work/tray.html" "#shade=0&step=4&cam=20,-15,-50" tray-out
python3 "$check" colours "$work/tray.html" 12 "$work/tray-start.png" || fail "tray: cubes seen at the start"
python3 "$check" colours "$work/tray.html" 2 "$work/tray-half.png" || fail "tray: step 2"
python3 "$check" shows "$work/tray.html" 1 "$work/tray-half.png" || fail "tray: step 2, the first cube out"
python3 "$check" shows "$work/tray.html" 012 "$work/tray-out.png" || fail "tray: all out"
timeout 120 python3 "$(dirname "$0")/page_interaction.py" --moves "$chromium" "$work/tray.html" \
  "$(mktemp -d "$work/profile.XXXXXX")" ||
  fail "the tray page's step slider and player"

# Without three.js or with both forms: one line, exit 2.
expect 2 "*" show 1 --html --svg
finish
