#!/usr/bin/env python3
"""Drives show --html's page in headless Chromium as a person would, over the DevTools
protocol on a pipe (nothing but the standard library), and checks what the URL's fragment
says after each step: a click on a legend entry hides its piece and a second shows it again, a
click on a piece hides that piece, a drag turns the view, the explode slider moves.

  page_interaction.py CHROMIUM PAGE PROFILE  (PROFILE: an empty folder for the browser)
  page_interaction.py --moves CHROMIUM PAGE PROFILE

The page must be the built-in puzzle's; with --moves, a page of show --moves with four moves,
whose step slider and play button must write the step into the fragment. Prints one line and
exits 1 on a failure.
"""

import base64
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import page_check  # noqa: E402


class Browser:
    def __init__(self, chromium, profile):
        to_browser, self.out = os.pipe()
        self.inp, from_browser = os.pipe()

        def pipes():  # the protocol's fds 3 (to the browser) and 4 (from it)
            a, b = os.dup(to_browser), os.dup(from_browser)
            os.dup2(a, 3)
            os.dup2(b, 4)

        self.proc = subprocess.Popen(
            [chromium, "--headless", "--no-sandbox", "--user-data-dir=" + profile,
             "--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--remote-debugging-pipe",
             "--window-size=800,600", "about:blank"],
            close_fds=False, preexec_fn=pipes, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        os.close(to_browser)
        os.close(from_browser)
        self.buffer, self.last, self.session = b"", 0, None

    def send(self, method, params=None):
        self.last += 1
        message = {"id": self.last, "method": method, "params": params or {}}
        if self.session:
            message["sessionId"] = self.session
        os.write(self.out, json.dumps(message).encode() + b"\0")
        while True:
            while b"\0" not in self.buffer:
                more = os.read(self.inp, 1 << 16)
                if not more:
                    page_check.fail("the browser closed the protocol's pipe")
                self.buffer += more
            line, self.buffer = self.buffer.split(b"\0", 1)
            reply = json.loads(line)
            if reply.get("id") == self.last:
                if "error" in reply:
                    page_check.fail(method + ": " + json.dumps(reply["error"]))
                return reply["result"]

    def value(self, expression):
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True})
        return result["result"].get("value")

    def mouse(self, kind, x, y):
        self.send("Input.dispatchMouseEvent", {"type": kind, "x": x, "y": y, "button": "left",
                                               "buttons": 1, "clickCount": 1})


def expect(browser, what, want):
    time.sleep(0.3)
    got = browser.value("location.hash")
    if got != want:
        page_check.fail("%s: the fragment is %r, not %r" % (what, got, want))


def inside_of(png, colour):
    """A pixel of the view whose 7 x 7 square is all `colour`: well inside a face."""
    with tempfile.NamedTemporaryFile(suffix=".png") as f:
        f.write(png)
        f.flush()
        rows = page_check.read_png(f.name)
    for y in range(3, len(rows) - 3):
        for x in range(page_check.PANEL + 3, len(rows[y]) - 3):
            if all(rows[y + dy][x + dx] == colour for dy in range(-3, 4) for dx in range(-3, 4)):
                return x, y
    page_check.fail("no face of colour #%02x%02x%02x to click" % colour)


def open_page(chromium, page, profile):
    browser = Browser(chromium, profile)
    target = browser.send("Target.createTarget", {"url": "file://" + page + "#shade=0"})
    browser.session = browser.send("Target.attachToTarget", {"targetId": target["targetId"],
                                                             "flatten": True})["sessionId"]
    time.sleep(3)
    return browser


def run_moves(chromium, page, profile):
    browser = open_page(chromium, page, profile)
    try:
        browser.value("var e = document.getElementById('step'); e.value = '2';"
                      "e.dispatchEvent(new Event('input'))")
        expect(browser, "the step slider moved", "#step=2&shade=0")
        text = browser.value("document.getElementById('steptext').textContent")
        if not text.startswith("step 2 of 4: "):
            page_check.fail("the step's text is %r" % text)
        browser.value("document.getElementById('play').click()")
        time.sleep(3)
        expect(browser, "played to the end", "#step=4&shade=0")
    finally:
        browser.proc.kill()
        browser.proc.wait()


def run(chromium, page, profile):
    browser = open_page(chromium, page, profile)
    try:
        entry = "document.querySelectorAll('#legend li')[6]"
        browser.value(entry + ".click()")
        expect(browser, "legend entry 6 clicked", "#hide=6&shade=0")
        if browser.value(entry + ".className") != "hidden":
            page_check.fail("legend entry 6 not marked hidden")
        browser.value(entry + ".click()")
        expect(browser, "legend entry 6 clicked again", "#shade=0")
        shot = browser.send("Page.captureScreenshot", {"format": "png"})
        x, y = inside_of(base64.b64decode(shot["data"]), (0xe6, 0x19, 0x4b))  # piece 0
        browser.mouse("mousePressed", x, y)
        browser.mouse("mouseReleased", x, y)
        expect(browser, "piece 0 clicked", "#hide=0&shade=0")
        browser.mouse("mousePressed", 700, 500)
        for k in range(1, 6):
            browser.mouse("mouseMoved", 700 + 10 * k, 500 + 5 * k)
        browser.mouse("mouseReleased", 750, 525)
        time.sleep(0.3)
        turned = browser.value("location.hash")
        if "&cam=" not in turned:
            page_check.fail("a drag did not turn the view: the fragment is %r" % turned)
        browser.value("var e = document.getElementById('explode'); e.value = '0.7';"
                      "e.dispatchEvent(new Event('input'))")
        expect(browser, "the slider moved", "#explode=0.7&" + turned[1:])
    finally:
        browser.proc.kill()
        browser.proc.wait()


if __name__ == "__main__":
    moves = len(sys.argv) == 5 and sys.argv[1] == "--moves"
    if len(sys.argv) != 4 and not moves:
        print("usage: page_interaction.py [--moves] CHROMIUM PAGE PROFILE", file=sys.stderr)
        sys.exit(2)
    # timeout's TERM still ends the browser.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    if moves:
        run_moves(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        run(sys.argv[1], sys.argv[2], sys.argv[3])
