#!/usr/bin/env python3
"""ravok --dap with a scripted client: launch a game, set two breakpoints,
read the stack and the variables, step, evaluate, continue to the end, and
see print output as output events. With --window the game plays in its
window under a virtual X server, the adapter in place of the debug window.

Usage: dap_test.py RAVOK PROGRAM_HOME [--window]
"""
import json
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading

HERE = os.path.dirname(os.path.abspath(__file__))
# Every wait is for a message; this only ends a test whose player hung.
PATIENCE = 120


class Client:
    def __init__(self, args, env):
        self.proc = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, env=env)
        self.seq = 0
        self.messages = queue.Queue()
        self.outputs = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        out = self.proc.stdout
        while True:
            header = b""
            while not header.endswith(b"\r\n\r\n"):
                c = out.read(1)
                if not c:
                    self.messages.put(None)
                    return
                header += c
            length = int(header.split(b"Content-Length:")[1].split(b"\r\n")[0])
            self.messages.put(json.loads(out.read(length).decode("utf-8")))

    def send(self, command, **arguments):
        self.seq += 1
        message = {"seq": self.seq, "type": "request", "command": command,
                   "arguments": arguments}
        body = json.dumps(message).encode("utf-8")
        self.proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.proc.stdin.flush()
        return self.seq

    def wait(self, predicate, what):
        while True:
            message = self.messages.get(timeout=PATIENCE)
            if message is None:
                raise AssertionError("the adapter ended while waiting for " + what)
            if message.get("event") == "output":
                self.outputs.append(message["body"])
            if predicate(message):
                return message

    def request(self, command, **arguments):
        seq = self.send(command, **arguments)
        response = self.wait(lambda m: m.get("type") == "response" and m["request_seq"] == seq,
                             command)
        assert response["success"], response
        return response.get("body", {})

    def event(self, name):
        return self.wait(lambda m: m.get("event") == name, name)["body"]


def expect(what, got, want):
    if got != want:
        raise AssertionError("%s: got %r, want %r" % (what, got, want))


def main():
    ravok, home = sys.argv[1], os.path.abspath(sys.argv[2])
    windowed = "--window" in sys.argv[3:]
    work = tempfile.mkdtemp(prefix="ravok-dap-")
    client = None
    display = None
    env = dict(os.environ)
    if windowed:
        sys.path.insert(0, os.path.join(HERE, "..", "desktop"))
        from run_desktop_test import Display, xdotool  # noqa: E402
        display = Display(work)
        env = display.env()
    else:
        env.pop("DISPLAY", None)
    try:
        game = os.path.join(work, "walker")
        shutil.copytree(os.path.join(HERE, "debugger_game"), game)
        source = os.path.join(game, "Walker.ravok")
        client = Client([ravok, "--home", home, "--dap"], env)
        caps = client.request("initialize", adapterID="ravok", linesStartAt1=True)
        expect("configurationDone supported", caps.get("supportsConfigurationDoneRequest"), True)
        client.event("initialized")
        client.request("launch", program=game)
        # Two breakpoints: the second statement of add(), and the print after the loop.
        body = client.request("setBreakpoints", source={"path": source},
                              breakpoints=[{"line": 9}, {"line": 17}])
        expect("breakpoints answered", len(body["breakpoints"]), 2)
        client.request("configurationDone")

        stop = client.event("stopped")
        expect("stop reason", stop["reason"], "breakpoint")
        if windowed:
            # Held, the game's window stands (the adapter waits in its loop).
            expect("the game's window", bool(xdotool(display, "search", "--name", "Debugger Test")),
                   True)
        thread = stop["threadId"]
        threads = client.request("threads")["threads"]
        expect("the held process is a thread", thread in [t["id"] for t in threads], True)
        frames = client.request("stackTrace", threadId=thread)["stackFrames"]
        expect("stack", [(f["name"], f["line"]) for f in frames],
               [("Walker.add", 9), ("Walker.walk", 15), ("Walker", 19)])
        expect("source path", frames[0]["source"]["path"], source)
        scopes = client.request("scopes", frameId=frames[0]["id"])["scopes"]
        expect("scopes", [s["name"] for s in scopes], ["Locals", "this", "Globals"])
        local = client.request("variables", variablesReference=scopes[0]["variablesReference"])
        expect("locals", [(v["name"], v["value"]) for v in local["variables"]],
               [("n", "0"), ("doubled", "0")])
        fields = client.request("variables", variablesReference=scopes[1]["variablesReference"])
        named = {v["name"]: v["value"] for v in fields["variables"]}
        expect("a field", named.get("label"), '"walker"')

        client.request("next", threadId=thread)
        stop = client.event("stopped")
        expect("step reason", stop["reason"], "step")
        frames = client.request("stackTrace", threadId=thread)["stackFrames"]
        expect("after next", frames[0]["line"], 10)
        value = client.request("evaluate", expression="total", frameId=frames[0]["id"],
                               context="watch")
        expect("a field by name", value["result"], "0")
        value = client.request("evaluate", expression="6 * 7", frameId=frames[0]["id"],
                               context="watch")
        expect("a snippet", value["result"], "42")

        client.request("continue", threadId=thread)
        for n in (1, 2):
            stop = client.event("stopped")
            frames = client.request("stackTrace", threadId=stop["threadId"])["stackFrames"]
            value = client.request("evaluate", expression="n", frameId=frames[0]["id"])
            expect("round %d" % n, (frames[0]["line"], value["result"]), (9, str(n)))
            client.request("continue", threadId=stop["threadId"])
        stop = client.event("stopped")
        frames = client.request("stackTrace", threadId=stop["threadId"])["stackFrames"]
        expect("the second breakpoint", frames[0]["line"], 17)
        value = client.request("evaluate", expression="total", frameId=frames[0]["id"])
        expect("total at the end", value["result"], "6")
        client.request("continue", threadId=stop["threadId"])

        exited = client.event("exited")
        expect("exit code", exited["exitCode"], 0)
        client.event("terminated")
        printed = "".join(o["output"] for o in client.outputs if o.get("category") == "stdout")
        expect("print output as output events", printed, "total 6\nwalked\n")
        client.request("disconnect")
        client.proc.wait(timeout=PATIENCE)
        expect("the adapter's exit status", client.proc.returncode, 0)
    except AssertionError as e:
        print("FAIL", e)
        if client:
            client.proc.kill()
            print(client.proc.stderr.read().decode("utf-8", "replace"))
        return 1
    finally:
        if display:
            display.stop()
        shutil.rmtree(work, ignore_errors=True)
    print("dap: all checks passed" + (" in a window" if windowed else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
