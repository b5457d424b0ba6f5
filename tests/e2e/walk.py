#!/usr/bin/env python3
"""The assembled program as a user meets it: the built tolvane binary and the
stand-in vendor (tolvane-standins) under Xvfb, driven with xdotool through the
keyboard and the windows a person sees. Each case starts its own display,
stand-ins, private CUPS queue and settings folder.

    walk.py --tolvane PATH --standins PATH CASE

A case is a function "case_NAME(session)" in one of the files cases_*.py
beside this one; its docstring says what it walks. Exit status 77 (skipped)
where Xvfb, xdotool or a decoder is missing (or dbus-run-session, for a
case marked "session_bus = True", which runs on a private session bus).
"""
import argparse
import glob
import importlib
import os
import shutil
import sys
import tempfile

from session import SKIP, Failure, Session


def cases():
    found = {}
    here = os.path.dirname(os.path.abspath(__file__))
    for path in sorted(glob.glob(os.path.join(here, "cases_*.py"))):
        module = importlib.import_module(os.path.splitext(os.path.basename(path))[0])
        for name in dir(module):
            if name.startswith("case_"):
                found[name[len("case_"):]] = getattr(module, name)
    return found


def main():
    CASES = cases()
    parser = argparse.ArgumentParser()
    parser.add_argument("--tolvane", required=True)
    parser.add_argument("--standins", required=True)
    parser.add_argument("case", choices=sorted(CASES))
    args = parser.parse_args()
    # A case that talks to the program over the session bus
    # ("session_bus = True" on its function) gets a bus of its own.
    if getattr(CASES[args.case], "session_bus", False):
        skipped = Session.on_private_session_bus()
        if skipped is not None:
            return skipped
    for tool in ("Xvfb", "xdotool", "xwd", "convert", "pdftoppm", "ZXingReader", "dmtxread"):
        if not shutil.which(tool):
            print("skipped: %s is not installed" % tool)
            return SKIP
    workdir = tempfile.mkdtemp(prefix="tolvane-e2e-")
    session = None
    try:
        session = Session(args.tolvane, args.standins, workdir)
        CASES[args.case](session)
        # Every road the case walked reached a window or hook of the
        # program: none answered with the fall-back of a host without it.
        for line in open(session.banner_path, errors="replace"):
            if "not part of this build" in line or "does not answer" in line:
                raise Failure("the program reached nothing: " + line.strip())
        print("passed: %s (files in %s)" % (args.case, workdir))
        return 0
    except Failure as failure:
        print("FAILED: %s: %s (files in %s)" % (args.case, failure, workdir))
        if session:
            session.screenshot("failure")
            print(open(session.banner_path).read()[-4000:])
        return 1
    finally:
        if session:
            session.close()


if __name__ == "__main__":
    sys.exit(main())
