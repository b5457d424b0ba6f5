#!/usr/bin/env python3
"""Start-up benchmark: the application against a minimal Qt program.

    startup.py <build folder> [runs]

Starts a virtual X server (Xvfb), then, interleaved, `runs` times each (5 by
default): the minimal Qt Widgets program that shows one QMainWindow
(bench/startup/minimal_window.cpp) and the application, both through
tolvane-standins with a fresh run folder, so that both start the same way
and the application finds its servers. A start is timed from the moment the
program is executed to the first mapping of a top-level window on the
display; two seconds later its resident memory (VmRSS) is read. Prints the
median of both and their ratios (application / minimal). A measurement, not a
test: it always ends with status 0 unless something could not be started.
"""
import ctypes
import ctypes.util
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

MAP_NOTIFY = 19
SUBSTRUCTURE_NOTIFY_MASK = 1 << 19


class Display:
    """Just enough Xlib (through ctypes) to see top-level windows mapped."""

    def __init__(self, name):
        self.x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XSelectInput.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_long]
        self.x.XPending.argtypes = [ctypes.c_void_p]
        self.x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.x.XConnectionNumber.argtypes = [ctypes.c_void_p]
        self.x.XFetchName.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
        self.display = self.x.XOpenDisplay(name.encode())
        if not self.display:
            raise RuntimeError(f"cannot open display {name}")
        root = self.x.XDefaultRootWindow(self.display)
        self.x.XSelectInput(self.display, root, SUBSTRUCTURE_NOTIFY_MASK)
        self.x.XFlush(self.display)
        self.event = ctypes.create_string_buffer(192)

    def drain(self):
        while self.x.XPending(self.display):
            self.x.XNextEvent(self.display, self.event)

    def title(self, window):
        name = ctypes.c_char_p()
        if self.x.XFetchName(self.display, window, ctypes.byref(name)) and name.value:
            return name.value.decode(errors="replace")
        return ""

    def wait_for_map(self, deadline):
        """(time in ns, title) of the first top-level window that is not
        override-redirect (a menu, a tool tip) mapped, or None at the
        deadline."""
        import select
        fd = self.x.XConnectionNumber(self.display)
        while time.monotonic() < deadline:
            while self.x.XPending(self.display):
                self.x.XNextEvent(self.display, self.event)
                raw = self.event.raw
                kind = int.from_bytes(raw[0:4], "little")
                override_redirect = int.from_bytes(raw[48:52], "little")
                if kind == MAP_NOTIFY and not override_redirect:
                    mapped = time.clock_gettime_ns(time.CLOCK_REALTIME)
                    return mapped, self.title(int.from_bytes(raw[40:48], "little"))
            select.select([fd], [], [], 0.005)
        return None


def start_xvfb(folder):
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=open(os.path.join(folder, "xvfb.log"), "w"))
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read)
    return xvfb, ":" + number.decode().strip()


def resident_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def child_of(pid, program):
    """The child of the stand-ins (pid) that runs the program (the stand-ins
    start other children too, such as a print scheduler)."""
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            children = [int(c) for c in f.read().split()]
    except OSError:
        return None
    wanted = os.path.realpath(program)
    for child in children:
        try:
            if os.path.realpath(f"/proc/{child}/exe") == wanted:
                return child
        except OSError:
            pass
    return None


def one_start(standins, program, display, x, folder):
    """Starts the program through the stand-ins; answers (ms to the first
    window, resident kB at rest, the window's title)."""
    run_dir = tempfile.mkdtemp(dir=folder)
    stamp = os.path.join(run_dir, "exec-time")
    # A runtime folder of its own (mkdtemp makes it private): the program's
    # single-instance socket lives there, so a copy running elsewhere on the
    # machine is not met (the start would then time its "Already running."
    # alert).
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=run_dir)
    env.pop("WAYLAND_DISPLAY", None)
    x.drain()
    # The shell writes the time and becomes the program (same process).
    runner = subprocess.Popen(
        [standins, "--run-dir", run_dir, "/bin/sh", "-c", 'date +%s%N >"$0"; exec "$1"', stamp, program],
        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        shown = x.wait_for_map(time.monotonic() + 60)
        if shown is None:
            raise RuntimeError(f"{program} showed no window within a minute")
        mapped, title = shown
        with open(stamp) as f:
            started = int(f.read().strip())
        time.sleep(2)
        pid = child_of(runner.pid, program)
        rss = resident_kb(pid) if pid else None
        return (mapped - started) / 1e6, rss, title
    finally:
        pid = child_of(runner.pid, program)
        if pid:
            os.kill(pid, signal.SIGTERM)
        try:
            runner.wait(timeout=10)
        except subprocess.TimeoutExpired:
            if pid:
                os.kill(pid, signal.SIGKILL)
            runner.wait()


def main(build, runs):
    standins = os.path.join(build, "tools", "tolvane-standins")
    programs = {
        "minimal": os.path.join(build, "bench", "tolvane_minimal_window"),
        "tolvane": os.path.join(build, "src", "app", "tolvane"),
    }
    for path in [standins] + list(programs.values()):
        if not os.access(path, os.X_OK):
            print(f"startup: {path} is not built", file=sys.stderr)
            return 1
    with tempfile.TemporaryDirectory(prefix="tolvane-startup-") as folder:
        xvfb, display = start_xvfb(folder)
        try:
            x = Display(display)
            times = {name: [] for name in programs}
            memory = {name: [] for name in programs}
            for run in range(runs):
                # Interleaved, the order swapped every run.
                order = list(programs) if run % 2 == 0 else list(reversed(programs))
                for name in order:
                    ms, rss, title = one_start(standins, programs[name], display, x, folder)
                    times[name].append(ms)
                    if rss:
                        memory[name].append(rss)
                    print(f"startup: run {run + 1} {name:8} {ms:8.0f} ms  {(rss or 0) / 1024:6.1f} MB  \"{title}\"", flush=True)
        finally:
            xvfb.terminate()
            xvfb.wait()
    t = {name: statistics.median(v) for name, v in times.items()}
    m = {name: statistics.median(v) / 1024 for name, v in memory.items() if v}
    print()
    print(f"start-up to a shown window (median of {runs}): tolvane {t['tolvane']:.0f} ms, "
          f"minimal Qt {t['minimal']:.0f} ms, ratio {t['tolvane'] / t['minimal']:.2f}")
    if "tolvane" in m and "minimal" in m:
        print(f"resident memory at rest: tolvane {m['tolvane']:.1f} MB, minimal Qt {m['minimal']:.1f} MB, "
              f"ratio {m['tolvane'] / m['minimal']:.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "build-bench", int(sys.argv[2]) if len(sys.argv) > 2 else 5))
