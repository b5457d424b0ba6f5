"""Scripts: the running program's scripting commands, called over its
session bus with gdbus as another program of the user calls them."""
import ast
import decimal
import os
import shutil
import subprocess
import time

from session import SKIP, Failure, wait_for

SERVICE = "com.tolvane.Tolvane"
INTERFACE = "com.tolvane.Tolvane.Scripting"


def bus_call(session, method, *arguments, timeout=60):
    """The command's answer, read from gdbus's text of the reply."""
    command = ["gdbus", "call", "--session", "--timeout", str(timeout), "--dest", SERVICE,
               "--object-path", "/Tolvane", "--method", INTERFACE + "." + method, *arguments]
    done = subprocess.run(command, env=session.env, capture_output=True, text=True, timeout=timeout + 10)
    if done.returncode != 0:
        raise Failure("%s: %s" % (method, done.stderr.strip()))
    return ast.literal_eval(done.stdout.strip())[0]


def balance_text(mils):
    """The balance as the program writes it without dollar sign: grouped,
    two fraction digits, three where the mils need them."""
    dollars = decimal.Decimal(mils) / 1000
    return "{:,.3f}".format(dollars) if mils % 10 else "{:,.2f}".format(dollars)


def case_scripting_bus(session):
    """Sign in; over the session bus the balance equals the vendor's, a
    missing file and a FIFO are answered "Invalid file for reading: …" at once
    (the FIFO never holds the program up), a test-mode document's reply names
    its package and prints nothing, and tracking a number that is not logged
    answers the USPS service's reason and leaves the mailing log as it was."""
    if not shutil.which("gdbus"):
        print("skipped: gdbus is not installed")
        raise SystemExit(SKIP)
    session.sign_in()

    def known_balance():
        try:
            text = bus_call(session, "CurrentBalance", timeout=10)
        except Failure:
            return None
        return text if text != "unknown" else None

    balance = wait_for("the balance over the bus", known_balance, 60)
    expected = balance_text(session.account()["balanceMils"])
    if balance != expected:
        raise Failure("the bus answers the balance %r, the vendor holds %r" % (balance, expected))

    missing = os.path.join(session.workdir, "absent.xml")
    fifo = os.path.join(session.workdir, "job-fifo.xml")
    os.mkfifo(fifo)
    for path in (missing, fifo):
        answer = bus_call(session, "ProcessXMLFile", path, timeout=20)
        if answer != "Invalid file for reading: " + path:
            raise Failure("ProcessXMLFile(%s) answered %r" % (path, answer))

    log_before = session.mailing_log()
    pdfs_before = session.pdfs()
    job = os.path.join(session.workdir, "job.xml")
    with open(job, "w") as f:
        f.write('<Glimra Test="YES" QVTestPrint="NO" Prompt="NO"><Package ID="e2e-script-1"/></Glimra>')
    reply = bus_call(session, "ProcessXMLFile", job, timeout=120)
    if "<Glimra" not in reply or 'ID="e2e-script-1"' not in reply:
        raise Failure("the document's reply reads %r" % reply[:600])
    time.sleep(1.0)
    if session.pdfs() != pdfs_before:
        raise Failure("a test document that prints nothing printed %s" % session.pdfs())

    texts = bus_call(session, "Track", "9400111899223197428490", timeout=60)
    if len(texts) != 1 or not texts[0]:
        raise Failure("tracking answered %r" % (texts,))
    if session.mailing_log() != log_before:
        raise Failure("the mailing log changed")
    # The program still answers after all of it.
    if bus_call(session, "CurrentBalance", timeout=10) != balance:
        raise Failure("the balance changed")


case_scripting_bus.session_bus = True
