"""Drives Debian's Chromium over the DevTools protocol on a pipe
(--remote-debugging-pipe): a headless browser whose page the tests load,
type into, click, evaluate script in and take screenshots of. Every wait is
for an event or a condition the page reports, with a deadline."""
import base64
import json
import os
import shutil
import subprocess
import tempfile
import time


def chromium_path():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        found = shutil.which(name)
        if found:
            return found
    return None


class Browser:
    def __init__(self, width=800, height=600):
        self.profile = tempfile.mkdtemp(prefix="ravok-chromium-")
        to_browser_r, to_browser_w = os.pipe()
        from_browser_r, from_browser_w = os.pipe()
        args = [chromium_path(), "--headless=new", "--remote-debugging-pipe",
                "--no-first-run", "--no-default-browser-check", "--disable-gpu",
                "--no-sandbox", "--autoplay-policy=no-user-gesture-required",
                "--user-data-dir=" + self.profile, "--window-size=%d,%d" % (width, height),
                "about:blank"]

        def child_fds():
            os.dup2(to_browser_r, 3)
            os.dup2(from_browser_w, 4)

        self.process = subprocess.Popen(args, pass_fds=(3, 4), preexec_fn=child_fds,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.out = os.fdopen(to_browser_w, "wb", buffering=0)
        self.inp = os.fdopen(from_browser_r, "rb", buffering=0)
        self.buffer = b""
        self.next_id = 0
        self.events = []
        self.console = []
        self.session = None
        targets = self.call("Target.getTargets")["targetInfos"]
        page = [t for t in targets if t["type"] == "page"][0]
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"],
                                 flatten=True)["sessionId"]
        self.call("Page.enable")
        self.call("Runtime.enable")

    def _read_message(self, deadline):
        while b"\0" not in self.buffer:
            if time.monotonic() > deadline:
                raise TimeoutError("the browser did not answer")
            chunk = self.inp.read(65536)
            if not chunk:
                raise RuntimeError("the browser ended: " +
                                   self.process.stderr.read().decode("utf-8", "replace")[-2000:])
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, timeout=60, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if self.session and not method.startswith("Target."):
            message["sessionId"] = self.session
        self.out.write(json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            reply = self._read_message(deadline)
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError("%s: %s" % (method, reply["error"]))
                return reply.get("result", {})
            self._keep_event(reply)

    def _keep_event(self, message):
        if message.get("method") == "Runtime.consoleAPICalled":
            args = message["params"].get("args", [])
            self.console.append(" ".join(str(a.get("value", "")) for a in args))
        elif message.get("method") == "Runtime.exceptionThrown":
            self.console.append("exception: " + json.dumps(
                message["params"]["exceptionDetails"])[:500])
        self.events.append(message)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise RuntimeError("script failed: %s" % json.dumps(result["exceptionDetails"])[:800])
        return result["result"].get("value")

    def wait_for(self, expression, timeout=60, what=None):
        """Polls the page until the expression is true; returns its value."""
        deadline = time.monotonic() + timeout
        while True:
            value = self.evaluate(expression)
            if value:
                return value
            if time.monotonic() > deadline:
                raise TimeoutError("waited %ds for %s; console:\n%s" % (
                    timeout, what or expression, "\n".join(self.console[-30:])))
            # The page's own frames go on meanwhile; a DevTools round trip
            # paces this loop.
            self.call("Runtime.evaluate",
                      expression="new Promise(r => requestAnimationFrame(() => r(0)))",
                      awaitPromise=True)

    def navigate(self, url):
        self.call("Page.navigate", url=url)

    def reload(self):
        self.call("Page.reload", ignoreCache=True)

    KEYS = {"Space": (" ", 32), "Enter": ("\r", 13), "ArrowLeft": ("", 37),
            "ArrowRight": ("", 39), "ArrowUp": ("", 38), "ArrowDown": ("", 40),
            "Escape": ("", 27), "KeyN": ("n", 78), "KeyY": ("y", 89)}

    def key(self, code, down):
        text, vk = self.KEYS.get(code, ("", 0))
        params = {"type": "keyDown" if down else "keyUp", "code": code, "key": code,
                  "windowsVirtualKeyCode": vk, "nativeVirtualKeyCode": vk}
        if code == "Space":
            params["key"] = " "
        if code == "Enter":
            params["key"] = "Enter"
        if down and text:
            params["text"] = text
        self.call("Input.dispatchKeyEvent", **params)

    def type_text(self, text):
        self.call("Input.insertText", text=text)

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                      clickCount=1)

    def screenshot(self, path):
        data = self.call("Page.captureScreenshot", format="png")["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def close(self):
        try:
            self.call("Browser.close", timeout=10)
        except Exception:
            pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
        shutil.rmtree(self.profile, ignore_errors=True)
