"""Glimra XML automation: tolvanetool hands a document (or a file) to the
running program and prints the reply document; a Test document buys nothing,
a live one prints and logs its piece, a package that cannot go fails alone;
a file opened with the program asks first."""
import os
import shutil
import subprocess
import time
import xml.etree.ElementTree as ElementTree

from session import ACCOUNT, Failure, decode_indicium, wait_for

PACKAGE = ('<Package ID="{id}" MailClass="FIRST" PackageType="ENVELOPE" WeightOz="1" '
           'ToName="Ada Lovelace" ToAddress1="1600 Pennsylvania Ave NW" ToCity="Washington" ToState="DC" '
           'ToPostalCode="20500" ReferenceID="{reference}"/>')


def tolvanetool(session):
    # The build's tool (the test's environment names it), else the one
    # beside the program's build folder.
    tool = os.environ.get("TOLVANETOOL")
    if tool and os.path.exists(tool):
        return tool
    program = session.standins.args[-1]
    build = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(program))))
    tool = os.path.join(build, "src", "tools", "tolvanetool", "tolvanetool")
    if os.path.exists(tool):
        return tool
    tool = shutil.which("tolvanetool")
    if not tool:
        raise Failure("tolvanetool was not found")
    return tool


def hand_over(session, document, seconds=180):
    """The document on tolvanetool's standard input; its exit status and the
    reply it printed."""
    tool = tolvanetool(session)
    run = subprocess.run([tool], input=document.encode("utf-8"), capture_output=True, env=session.env,
                         timeout=seconds)
    # Kept beside the screenshots for a look afterwards.
    with open(os.path.join(session.workdir, "tolvanetool-reply.xml"), "wb") as kept:
        kept.write(run.stdout)
    return run.returncode, run.stdout.decode("utf-8", "replace"), run.stderr.decode("utf-8", "replace")


def reply_packages(reply):
    try:
        root = ElementTree.fromstring(reply.encode("utf-8"))
    except ElementTree.ParseError as error:
        raise Failure("the reply is not well-formed (%s): %r" % (error, reply))
    if root.tag != "Glimra":
        raise Failure("the reply's root is %r: %r" % (root.tag, reply))
    return root.findall("Package")


def case_automation_test_document(session):
    """Sign in; tolvanetool hands a Test document for a domestic First-Class
    letter to the running program: it exits 0 and prints a well-formed reply
    whose package succeeded; the piece prints as a sample, buys nothing (the
    balance at the vendor stays) and logs nothing."""
    main = session.sign_in()
    before = session.account()
    document = ('<Glimra Test="YES" Prompt="NO">' + PACKAGE.format(id="t-1", reference="R-TEST") + '</Glimra>')
    status, reply, errors = hand_over(session, document)
    session.screenshot("automation-test")
    if status != 0:
        raise Failure("tolvanetool ended with %d: %r %r" % (status, reply, errors))
    packages = reply_packages(reply)
    if len(packages) != 1 or packages[0].get("ID") != "t-1":
        raise Failure("the reply holds %d packages: %r" % (len(packages), reply))
    if packages[0].findtext("Status") != "Success":
        raise Failure("the test package did not succeed: %r" % reply)
    if packages[0].findtext("ReferenceID") != "R-TEST":
        raise Failure("the reply does not describe the package: %r" % reply)
    # The test piece is printed as a void sample.
    pdf = session.first_pdf("the printed sample")
    if session.account()["balanceMils"] != before["balanceMils"]:
        raise Failure("a Test document moved the balance")
    if session.mailing_log():
        raise Failure("a Test document logged a piece")
    if not session.window("TEST SERVER") == main:
        raise Failure("the main window is gone")


def case_automation_live_package(session):
    """Sign in; tolvanetool hands a live document for a domestic First-Class
    letter: a PDF arrives whose indicium decodes to the demo's test indicium,
    the mailing log gains the piece, the balance at the
    vendor drops by the reply's final postage, and the reply names the logged
    piece's transaction and balance."""
    session.sign_in()
    before = session.account()
    document = ('<Glimra Prompt="NO">' + PACKAGE.format(id="live-1", reference="R-LIVE") + '</Glimra>')
    status, reply, errors = hand_over(session, document)
    session.screenshot("automation-live")
    if status != 0:
        raise Failure("tolvanetool ended with %d: %r %r" % (status, reply, errors))
    packages = reply_packages(reply)
    if len(packages) != 1 or packages[0].findtext("Status") != "Success":
        raise Failure("the live package did not succeed: %r" % reply)
    pdf = session.first_pdf("a printed PDF")
    text = decode_indicium(pdf, session.workdir)
    if "TOLVANE DEMO TEST INDICIUM" not in text or "ACCT " + ACCOUNT not in text:
        raise Failure("the printed indicium reads %r" % text)
    log = wait_for("the mailing log's entry", session.mailing_log, 20)
    if len(log) != 1:
        raise Failure("the mailing log holds %d entries" % len(log))
    # The reply describes the logged piece: its transaction and balance.
    entry = log[0]
    if packages[0].findtext("TransactionID") != str(entry.get("QVUSPSShipmentRHOPieceCountKey")):
        raise Failure("the reply's transaction is not the logged piece's: %r %r" % (reply, entry))
    logged_balance = "".join(c for c in str(entry.get("QVUSPSShipmentRHOBalanceKey", "")) if c.isdigit() or c == ".")
    if packages[0].findtext("Balance") != logged_balance:
        raise Failure("the reply's balance is not the logged piece's %r: %r" % (logged_balance, reply))
    if packages[0].findtext("ReferenceID") != "R-LIVE":
        raise Failure("the reply does not describe the package: %r" % reply)
    final = packages[0].findtext("FinalPostage") or ""
    used = before["balanceMils"] - session.account()["balanceMils"]
    if not final or used != round(float(final) * 1000):
        raise Failure("the balance moved by %d mils; the reply's postage is %r" % (used, final))


def case_automation_file_and_failure(session):
    """Sign in; tolvanetool -f hands a file of two packages whose "OutputFile"
    names a file: the first goes to a country nobody knows and fails with a
    reason, the second is a Test letter that succeeds; the reply file holds
    both in order, and nothing is bought or logged."""
    session.sign_in()
    before = session.account()
    output = os.path.join(session.workdir, "glimra-reply.xml")
    document = ('<Glimra Test="YES" Prompt="NO" OutputFile="%s">' % output +
                '<Package ID="far" MailClass="INTLFIRST" CustomsFormType="NONE" WeightOz="1" '
                'ToName="Ada Lovelace" ToAddress1="1 Nowhere Road" ToCountry="Atlantis"/>' +
                PACKAGE.format(id="near", reference="R-FILE") + '</Glimra>')
    request = os.path.join(session.workdir, "request.xml")
    with open(request, "w") as f:
        f.write(document)
    run = subprocess.run([tolvanetool(session), "-f", request], capture_output=True, env=session.env, timeout=180)
    session.screenshot("automation-file")
    if run.returncode != 0:
        raise Failure("tolvanetool -f ended with %d: %r" % (run.returncode, run.stderr))
    if run.stdout:
        raise Failure("tolvanetool -f printed %r" % run.stdout)
    with open(wait_for("the reply file", lambda: os.path.exists(output) and output, 20), encoding="utf-8") as f:
        reply = f.read()
    packages = reply_packages(reply)
    if [p.get("ID") for p in packages] != ["far", "near"]:
        raise Failure("the reply file holds %r" % reply)
    far, near = packages
    if far.findtext("Status") != "Failure" or not far.findtext("FailureReason"):
        raise Failure("the unknown country did not fail with a reason: %r" % reply)
    if near.findtext("Status") != "Success" or near.findtext("ReferenceID") != "R-FILE":
        raise Failure("the letter after it did not succeed: %r" % reply)
    # Nothing of the failed package in the letter's success, nor the other way.
    if far.findtext("ReferenceID") == "R-FILE":
        raise Failure("the failure carries the other package's reference: %r" % reply)
    wait_for("the printed sample", session.pdfs, 60)
    if session.account()["balanceMils"] != before["balanceMils"]:
        raise Failure("a Test document moved the balance")
    if session.mailing_log():
        raise Failure("a Test document logged a piece")


def case_automation_opened_file_asks(session):
    """Sign in; a Glimra file is opened with a second copy of the program (as
    the desktop opens it), though it says "Prompt" "NO": the running program
    asks first. Cancelled, nothing is printed, bought, logged or written;
    allowed, the same file prints its piece and writes its reply file."""
    main = session.sign_in()
    before = session.account()
    output = os.path.join(session.workdir, "opened-reply.xml")
    request = os.path.join(session.workdir, "opened.xml")
    with open(request, "w") as f:
        f.write('<Glimra Prompt="NO" OutputFile="%s">' % output + PACKAGE.format(id="o-1", reference="R-OPEN") +
                '</Glimra>')
    program = session.standins.args[-1]


    for answer in ("Escape", "Return"):
        second = subprocess.Popen([program, request], env=session.env, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        try:
            second.wait(60)
        except subprocess.TimeoutExpired:
            second.kill()
            raise Failure("the second copy did not hand the file over")
        asked = wait_for("the question about the opened file", lambda: session.window_over(main), 30)
        time.sleep(1.0)
        session.screenshot_window(asked, "opened-file-question-" + answer.lower())
        session.keys(asked, answer)
        if answer == "Escape":
            time.sleep(5)
            if session.pdfs() or session.mailing_log() or os.path.exists(output):
                raise Failure("a cancelled file printed, logged or wrote its reply")
            if session.account()["balanceMils"] != before["balanceMils"]:
                raise Failure("a cancelled file moved the balance")
    wait_for("a printed PDF", session.pdfs, 60)
    wait_for("the mailing log's entry", session.mailing_log, 20)
    with open(wait_for("the reply file", lambda: os.path.exists(output) and output, 20), encoding="utf-8") as f:
        packages = reply_packages(f.read())
    if len(packages) != 1 or packages[0].findtext("Status") != "Success":
        raise Failure("the allowed file's reply holds %r" % [ElementTree.tostring(p) for p in packages])
