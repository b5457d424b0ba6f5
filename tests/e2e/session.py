"""The pieces every end-to-end case uses: Xvfb, the stand-in vendor
(tolvane-standins) and the built tolvane binary, driven with xdotool through
the keyboard and the windows a person sees."""
import json
import os
import plistlib
import shutil
import signal
import ssl
import subprocess
import sys
import time
import urllib.request

SKIP = 77
ACCOUNT = "7000001"
PASS_PHRASE = "demo pass phrase"


class Failure(Exception):
    pass


def wait_for(what, predicate, seconds=30.0, step=0.2):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    raise Failure("timed out waiting for " + what)


class Session:
    """Xvfb, the stand-ins and the program, torn down in reverse order."""

    def __init__(self, tolvane, standins, workdir):
        self.workdir = workdir
        self.run_dir = os.path.join(workdir, "run")
        self.display = self._start_xvfb()
        # A runtime folder of the session's own: the program's single-instance
        # socket lives there, so that walks side by side never reach each
        # other's program.
        runtime = os.path.join(workdir, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=runtime)
        self.env.pop("WAYLAND_DISPLAY", None)
        # The web pages' engine refuses its sandbox to root (the test
        # machines run as root) and ends the program.
        if os.geteuid() == 0:
            self.env["QTWEBENGINE_DISABLE_SANDBOX"] = "1"
        # No browser opens during a walk: the desktop's opener is a recorder
        # that writes each URL handed to it, one a line, in opened-urls.txt.
        tools = os.path.join(workdir, "bin")
        os.makedirs(tools, exist_ok=True)
        self.urls_path = os.path.join(workdir, "opened-urls.txt")
        for opener in ("xdg-open", "sensible-browser", "x-www-browser"):
            script = os.path.join(tools, opener)
            with open(script, "w") as f:
                f.write('#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\n' % self.urls_path)
            os.chmod(script, 0o755)
        self.env["PATH"] = tools + os.pathsep + self.env.get("PATH", "")
        self.env["BROWSER"] = os.path.join(tools, "xdg-open")
        self.banner_path = os.path.join(workdir, "standins.log")
        self.banner = open(self.banner_path, "w")
        self.standins = subprocess.Popen(
            [standins, "--run-dir", self.run_dir, "--control", tolvane],
            stdout=self.banner, stderr=subprocess.STDOUT, env=self.env, start_new_session=True)
        self.front = wait_for("the stand-ins' banner", self._front_url, 60)
        self.ca_file = wait_for("the stand-ins' CA", self._ca_file, 10)

    def _start_xvfb(self):
        # Xvfb takes a free display itself and says which (-displayfd), so
        # that walks started side by side never meet on one display.
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1400x1000x24",
                                      "-nolisten", "tcp"],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, pass_fds=(write,))
        os.close(write)
        with os.fdopen(read) as answer:
            number = answer.readline().strip()
        if not number.isdigit():
            self.xvfb.kill()
            raise Failure("Xvfb did not start")
        return ":" + number

    def _banner_text(self):
        with open(self.banner_path) as f:
            return f.read()

    def _front_url(self):
        for line in self._banner_text().splitlines():
            if line.startswith("Control road (tests):"):
                return line.split()[3].split("/standins/")[0]
        return None

    def _ca_file(self):
        for line in self._banner_text().splitlines():
            if line.startswith("Certificate authority of the stand-ins:"):
                return line.split(":", 1)[1].strip()
        return None

    # ---- the vendor's side
    def control(self, path, method="GET"):
        context = ssl.create_default_context(cafile=self.ca_file)
        request = urllib.request.Request(self.front + path, method=method, data=b"" if method == "POST" else None)
        with urllib.request.urlopen(request, context=context, timeout=10) as reply:
            return json.loads(reply.read() or b"{}")

    def account(self):
        return self.control("/standins/control/account?number=" + ACCOUNT)

    # ---- what the user sees and does
    def xdotool(self, *arguments):
        return subprocess.run(["xdotool", *arguments], env=self.env, capture_output=True, text=True).stdout

    def geometry(self, window):
        values = {}
        for line in self.xdotool("getwindowgeometry", "--shell", window).splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value) if value.lstrip("-").isdigit() else value
        return values

    def window(self, name):
        # The largest visible window of that name (the program keeps small
        # helper windows of its own name).
        ids = self.xdotool("search", "--onlyvisible", "--name", name).split()
        if not ids:
            return None
        return max(ids, key=lambda w: self.geometry(w).get("WIDTH", 0) * self.geometry(w).get("HEIGHT", 0))

    def wait_window(self, name, seconds=30):
        return wait_for("the window " + repr(name), lambda: self.window(name), seconds)

    def keys(self, window, *keys):
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("key", "--delay", "40", *keys)

    def type(self, window, text):
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("type", "--delay", "15", text)

    def screenshot(self, name):
        path = os.path.join(self.workdir, name + ".xwd")
        subprocess.run(["xwd", "-root", "-silent", "-out", path], env=self.env, check=False)
        return path

    def sign_in(self):
        panel = self.wait_window("Postage Account", 60)
        # The account number is filled in; the pass phrase field is the
        # third field of the panel.
        self.keys(panel, "Tab", "Tab")
        self.type(panel, PASS_PHRASE)
        self.keys(panel, "Return")

        # The shipment window (the progress panel carries the same name).
        def main_window():
            window = self.window("TEST SERVER")
            return window if window and self.geometry(window).get("WIDTH", 0) > 800 else None

        main = wait_for("the main window", main_window, 60)
        time.sleep(1.0)
        return main

    def mailing_log(self):
        path = os.path.join(self.run_dir, "support", "mailinglog.plist")
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            return plistlib.load(f)

    def pdfs(self):
        folder = os.path.join(self.run_dir, "pdf")
        return sorted(os.listdir(folder)) if os.path.isdir(folder) else []

    def close(self):
        try:
            os.killpg(self.standins.pid, signal.SIGTERM)
            self.standins.wait(20)
        except Exception:
            try:
                os.killpg(self.standins.pid, signal.SIGKILL)
            except Exception:
                pass
        self.banner.close()
        self.xvfb.terminate()
        self.xvfb.wait(10)

    # ---- a private session bus
    @staticmethod
    def on_private_session_bus():
        """Runs this walk again on a session bus of its own (dbus-run-session,
        which ends the bus with the walk), so the program and the case meet
        there and never on the user's bus. Answers SKIP where
        dbus-run-session is missing, None when already on such a bus (the
        walk goes on); otherwise it does not return."""
        if os.environ.get("TOLVANE_E2E_SESSION_BUS"):
            return None
        if not shutil.which("dbus-run-session"):
            print("skipped: dbus-run-session is not installed")
            return SKIP
        os.environ["TOLVANE_E2E_SESSION_BUS"] = "1"
        os.execvp("dbus-run-session", ["dbus-run-session", "--", sys.executable] + sys.argv)

    def screenshot_window(self, window, name):
        # One window's own picture: a dialog shows black in a picture of the
        # whole screen.
        path = os.path.join(self.workdir, name + ".xwd")
        subprocess.run(["xwd", "-id", window, "-silent", "-out", path], env=self.env, check=False)
        return path

    def opened_urls(self):
        """The URLs the program handed to the desktop's opener so far."""
        if not os.path.exists(self.urls_path):
            return []
        with open(self.urls_path) as f:
            return [line.strip() for line in f if line.strip()]

    # ---- the desktop's Secret Service
    def use_secret_service(self, runs=2):
        """Starts the stand-ins and the program again inside a private D-Bus
        session (dbus-run-session) whose Secret Service is an unlocked
        gnome-keyring-daemon keeping its keyring in a home folder of this
        session's own. The program is started `runs` times in a row under
        the same stand-ins (same hosts, same settings), so that a case can
        quit it and meet it again. Answers why it cannot where a tool is
        missing; None when it started."""
        for tool in ("dbus-run-session", "gnome-keyring-daemon"):
            if not shutil.which(tool):
                return "%s is not installed (the desktop's Secret Service cannot be played)" % tool
        standins, tolvane = self.standins.args[0], self.standins.args[-1]
        os.killpg(self.standins.pid, signal.SIGTERM)
        self.standins.wait(20)
        home = os.path.join(self.workdir, "home")
        runtime = os.path.join(home, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        self.env = dict(self.env, HOME=home, XDG_DATA_HOME=os.path.join(home, "data"), XDG_RUNTIME_DIR=runtime,
                        KEYRING_PASSWORD="e2e keyring")
        keyring = ('printf %s "$KEYRING_PASSWORD" | gnome-keyring-daemon --foreground --unlock '
                   '--components=secrets >/dev/null 2>&1 & exec "$@"')
        program = 'i=0; while [ $i -lt %d ]; do "$0" || exit; i=$((i+1)); done' % runs
        self.banner.close()
        self.banner = open(self.banner_path, "w")
        self.standins = subprocess.Popen(
            ["dbus-run-session", "--", "sh", "-c", keyring, "sh", standins, "--run-dir", self.run_dir, "--control",
             "sh", "-c", program, tolvane],
            stdout=self.banner, stderr=subprocess.STDOUT, env=self.env, start_new_session=True)
        self.front = wait_for("the stand-ins' banner", self._front_url, 60)
        self.ca_file = wait_for("the stand-ins' CA", self._ca_file, 10)
        return None


    def window_over(self, main):
        """A visible window other than the main one, of the size of an alert
        or a question (none: None)."""
        for window in self.xdotool("search", "--onlyvisible", "--name", "").split():
            geometry = self.geometry(window)
            if window != main and 0 < geometry.get("WIDTH", 0) < 800 and geometry.get("HEIGHT", 0) > 100:
                return window
        return None

    def first_pdf(self, what):
        """The path of the first PDF the queue wrote, once it is whole."""
        pdfs = wait_for(what, self.pdfs, 60)
        pdf = os.path.join(self.run_dir, "pdf", pdfs[0])
        wait_for("the whole PDF", lambda: os.path.getsize(pdf) > 1000 and time.sleep(1) is None, 20)
        return pdf

def decode_indicium(pdf, workdir):
    prefix = os.path.join(workdir, "page")
    subprocess.run(["pdftoppm", "-r", "300", "-png", "-f", "1", "-l", "1", pdf, prefix], check=True)
    page = [p for p in os.listdir(workdir) if p.startswith("page") and p.endswith(".png")][0]
    out = subprocess.run(["ZXingReader", "-format", "PDF417", os.path.join(workdir, page)],
                         capture_output=True, text=True).stdout
    for line in out.splitlines():
        if line.startswith("Text:"):
            return line.split(":", 1)[1].strip().strip('"')
    return ""
