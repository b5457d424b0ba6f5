"""Glimra documents that buy postage, and documents that are not fit to be
carried out, handed to the running program by tolvanetool."""
import http.server
import os
import subprocess
import threading
import tempfile
import time
import urllib.parse

from cases_automation import PACKAGE, hand_over, reply_packages, tolvanetool
from session import Failure, wait_for

import xml.etree.ElementTree as ElementTree


def purchase_reply(reply):
    try:
        root = ElementTree.fromstring(reply.encode("utf-8"))
    except ElementTree.ParseError as error:
        raise Failure("the reply is not well-formed (%s): %r" % (error, reply))
    purchase = root.find("Purchase")
    if root.tag != "Glimra" or purchase is None:
        raise Failure("the reply holds no purchase: %r" % reply)
    return purchase


def case_automation_purchase(session):
    """Sign in; a Test document that asks for a purchase buys nothing; a live
    one for 25.50 raises the balance at the vendor by 25,500 mils and its
    reply carries the new balance and the amount asked for."""
    session.sign_in()
    before = session.account()
    status, reply, errors = hand_over(
        session, '<Glimra Test="YES" Prompt="NO"><Purchase><Amount>25.50</Amount></Purchase></Glimra>')
    if status != 0:
        raise Failure("tolvanetool ended with %d: %r %r" % (status, reply, errors))
    time.sleep(2)
    if session.account()["balanceMils"] != before["balanceMils"]:
        raise Failure("a Test document bought postage: %r" % reply)
    status, reply, errors = hand_over(session,
                                      '<Glimra Prompt="NO"><Purchase><Amount>25.50</Amount></Purchase></Glimra>')
    session.screenshot("automation-purchase")
    if status != 0:
        raise Failure("tolvanetool ended with %d: %r %r" % (status, reply, errors))
    purchase = purchase_reply(reply)
    after = session.account()
    if after["balanceMils"] - before["balanceMils"] != 25500:
        raise Failure("the balance moved by %d mils: %r" % (after["balanceMils"] - before["balanceMils"], reply))
    if purchase.findtext("Status") != "Success" or purchase.findtext("Amount") != "25.50":
        raise Failure("the purchase reply reads %r" % reply)
    balance = purchase.findtext("Balance") or ""
    if not balance or round(float(balance) * 1000) != after["balanceMils"]:
        raise Failure("the reply's balance %r is not the vendor's %d mils" % (balance, after["balanceMils"]))


HOSTILE = [
    ("truncated", b'<Glimra Prompt="NO"><Package ID="a" MailClass="FIRST"'),
    ("mismatched tags", b'<Glimra Prompt="NO"><Package ID="a"></Glimra></Package>'),
    ("two roots", b'<Glimra Prompt="NO"></Glimra><Glimra Prompt="NO"></Glimra>'),
    ("trailing junk", b'<Glimra Prompt="NO"></Glimra>junk'),
    ("entities", b'<?xml version="1.0"?><!DOCTYPE Glimra [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;">]>'
     b'<Glimra Prompt="NO"><Purchase><Amount>&b;</Amount></Purchase></Glimra>'),
    ("NUL", b'<Glimra Prompt="NO">\x00<Purchase><Amount>25.50</Amount></Purchase></Glimra>'),
    ("deep nesting", b'<Glimra Prompt="NO">' + b'<a>' * 100000 + b'</a>' * 100000 + b'</Glimra>'),
    ("16 MiB", b'<Glimra Prompt="NO"><Package ID="a" Description="' + b'x' * (16 * 1024 * 1024 + 16) +
     b'"/></Glimra>'),
]


def hand_over_answering(session, main, name, document, seconds=90):
    """The bytes on tolvanetool's standard input, unchanged; the alert the
    program shows for a document it cannot read is looked at and
    dismissed."""
    with tempfile.TemporaryFile() as given:
        given.write(document)
        given.seek(0)
        tool = subprocess.Popen([tolvanetool(session)], stdin=given, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                env=session.env)
        # The reply can be large: read it while the alert is watched for.
        out = []
        reader = threading.Thread(target=lambda: out.append(tool.communicate()), daemon=True)
        reader.start()
        alerted = False
        deadline = time.monotonic() + seconds
        while reader.is_alive() and time.monotonic() < deadline:
            alert = question(session, main)
            if alert and not alerted:
                time.sleep(1.0)
                session.screenshot_window(alert, "hostile-" + name.replace(" ", "-"))
                session.keys(alert, "Return")
                alerted = True
            time.sleep(0.5)
        reader.join(5)
        if not out:
            tool.kill()
            raise Failure("%s: no reply within %d seconds" % (name, seconds))
        stdout, stderr = out[0]
        return tool.returncode, stdout.decode("utf-8", "replace"), stderr.decode("utf-8", "replace"), alerted


def case_automation_hostile_documents(session):
    """Sign in; documents that are broken, doubled, carry a DTD with entities,
    a NUL or deep nesting each show the "Error parsing XML" alert
    and get a well-formed failure reply with a reason; one of more than
    16 MiB is refused by tolvanetool with a reason. Nothing is bought, printed
    or logged, and a good Test document afterwards still succeeds."""
    main = session.sign_in()
    before = session.account()
    for name, document in HOSTILE:
        status, reply, errors, alerted = hand_over_answering(session, main, name, document)
        print("%s: %d %r %r" % (name, status, reply[:300], errors[:300]), flush=True)
        if len(document) > 16 * 1024 * 1024:
            if status == 0 or reply or "too large" not in errors:
                raise Failure("%s: tolvanetool did not refuse it with a reason: %d %r" % (name, status, errors))
            continue
        try:
            root = ElementTree.fromstring(reply.encode("utf-8"))
        except ElementTree.ParseError as error:
            raise Failure("%s: the reply is not well-formed (%s): %r %r" % (name, error, reply[:400], errors[:400]))
        if root.findtext("Status") != "Failure" or not (root.findtext("FailureReason") or "").strip():
            raise Failure("%s: the reply gives no failure with a reason: %r" % (name, reply[:400]))
        if not alerted:
            raise Failure("%s: the program showed no alert" % name)
        if len(reply) > 64 * 1024:
            raise Failure("%s: the reply is %d characters long" % (name, len(reply)))
    time.sleep(2)
    if session.account()["balanceMils"] != before["balanceMils"]:
        raise Failure("a hostile document moved the balance")
    if session.pdfs() or session.mailing_log():
        raise Failure("a hostile document printed or logged")
    status, reply, errors = hand_over(session,
                                      '<Glimra Test="YES" Prompt="NO">' + PACKAGE.format(id="g", reference="R") +
                                      '</Glimra>')
    session.screenshot("automation-after-hostile")
    packages = reply_packages(reply)
    if status != 0 or len(packages) != 1 or packages[0].findtext("Status") != "Success":
        raise Failure("a good document after the hostile ones did not succeed: %d %r %r" % (status, reply, errors))


class Listener:
    """An http listener on 127.0.0.1 that keeps the paths it was asked for."""

    def __init__(self):
        paths = self.paths = []

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                paths.append(self.path)
                self.send_response(200)
                self.send_header("Content-Length", "0")
                self.end_headers()

            def log_message(self, *arguments):
                pass

        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = "http://127.0.0.1:%d/done" % self.server.server_address[1]
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


def hand_url(session, url):
    """A second copy of the program hands the URL to the running one, as the
    desktop does."""
    program = session.standins.args[-1]
    second = subprocess.Popen([program, url], env=session.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        second.wait(60)
    except subprocess.TimeoutExpired:
        second.kill()
        raise Failure("the second copy did not hand the URL over")


def question(session, main):
    return session.window_over(main)


def answer(session, main, name, key):
    asked = wait_for("the question about the link", lambda: question(session, main), 30)
    time.sleep(1.0)
    session.screenshot_window(asked, name)
    session.keys(asked, key)
    wait_for("the question to go", lambda: question(session, main) is None, 20)


PRINT_PAIRS = [("MailClass", "PRIORITY"), ("PackageType", "FLATRATEENVELOPE"), ("WeightOz", "1"), ("ToName", "Ada Lovelace"),
               ("ToAddress1", "1600 Pennsylvania Ave NW"), ("ToCity", "Washington"), ("ToState", "DC"),
               ("ToPostalCode", "20500"), ("ReferenceID", "A&B=C D"), ("CallbackMethod", "GET")]


def print_url(callback):
    pairs = PRINT_PAIRS + [("CallbackURL", callback)]
    return "tolvane://print?" + ";".join("%s=%s" % (k, urllib.parse.quote(v, safe="")) for k, v in pairs)


def case_print_url_and_refund_url(session):
    """Sign in; a "print" link handed by a second copy asks first: declined,
    nothing prints, is bought, logged or called back; allowed, the Priority
    Mail flat-rate envelope
    prints, the log gains it, the balance drops and the link's http callback
    on a local listener gets the reply's values percent-escaped. A "refund"
    link for that piece asks, then gives the postage back at the vendor and
    calls back "Success" with the piece's PIC."""
    main = session.sign_in()
    listener = Listener()
    try:
        before = session.account()
        hand_url(session, print_url(listener.url))
        answer(session, main, "print-url-question-declined", "Escape")
        time.sleep(5)
        if session.pdfs() or session.mailing_log() or listener.paths:
            raise Failure("a declined link printed, logged or called back: %r" % listener.paths)
        if session.account()["balanceMils"] != before["balanceMils"]:
            raise Failure("a declined link moved the balance")
        hand_url(session, print_url(listener.url))
        answer(session, main, "print-url-question-allowed", "Return")
        wait_for("a printed PDF", session.pdfs, 60)
        log = wait_for("the mailing log's entry", session.mailing_log, 30)
        paid = before["balanceMils"] - session.account()["balanceMils"]
        if len(log) != 1 or paid <= 0:
            raise Failure("the allowed link logged %d pieces and paid %d mils" % (len(log), paid))
        wait_for("the print callback", lambda: listener.paths, 30)
        called = listener.paths[0]
        if not called.startswith("/done?&") or "ReferenceID=A%26B%3DC%20D" not in called:
            raise Failure("the print callback asked for %r" % called)
        if "Status=Success" not in called:
            raise Failure("the print callback does not report success: %r" % called)

        pic = str(log[0].get("QVUSPSShipmentPICKey", ""))
        if not pic:
            raise Failure("the logged piece has no PIC: %r" % log[0])
        printed = session.account()
        listener.paths.clear()
        hand_url(session, "tolvane://refund?PIC=%s;CallbackURL=%s" % (urllib.parse.quote(pic, safe=""),
                                                                     urllib.parse.quote(listener.url, safe="")))
        answer(session, main, "refund-url-question", "Return")
        wait_for("the refund callback", lambda: listener.paths, 30)
        called = listener.paths[0]
        pairs = dict(p.split("=", 1) for p in called[len("/done?&"):].split("&"))
        if not called.startswith("/done?&") or pairs != {"PIC": urllib.parse.quote(pic, safe=""), "Status": "Success"}:
            raise Failure("the refund callback asked for %r" % called)
        refunded = session.account()["balanceMils"] - printed["balanceMils"]
        if refunded != paid:
            raise Failure("the refund gave back %d mils of %d" % (refunded, paid))
    finally:
        listener.close()


def case_callbacks_to_local_urls_send_nothing(session):
    """Sign in; an allowed "print" link whose callback is a file: URL, and a
    Test document whose CallbackURL is a tolvane: link that would print
    again, carry out their piece but call nothing back: no file appears and
    no second piece is printed or logged."""
    main = session.sign_in()
    target = os.path.join(session.workdir, "called-back")
    hand_url(session, print_url("file://" + target))
    answer(session, main, "print-url-file-callback", "Return")
    wait_for("a printed PDF", session.pdfs, 60)
    wait_for("the mailing log's entry", session.mailing_log, 30)
    time.sleep(3)
    if os.path.exists(target) or any(n.startswith("called-back") for n in os.listdir(session.workdir)):
        raise Failure("the file: callback made a file")
    pieces = len(session.mailing_log())
    again = print_url("http://127.0.0.1:9/never").replace("tolvane://print?", "")
    document = ('<Glimra Test="YES" Prompt="NO" CallbackURL="tolvane://print?%s" CallbackMethod="GET">' %
                again.replace("&", "&amp;") + PACKAGE.format(id="cb", reference="R-CB") + '</Glimra>')
    status, reply, errors = hand_over(session, document)
    packages = reply_packages(reply)
    if status != 0 or len(packages) != 1 or packages[0].findtext("Status") != "Success":
        raise Failure("the Test document did not succeed: %d %r %r" % (status, reply, errors))
    time.sleep(5)
    if question(session, main) is not None:
        session.screenshot("tolvane-callback-asked")
        raise Failure("the tolvane: callback reached the program's own links")
    if len(session.mailing_log()) != pieces:
        raise Failure("the tolvane: callback printed another piece")


def refund_link(pic, callback):
    return "tolvane://refund?PIC=%s;CallbackURL=%s" % (urllib.parse.quote(pic, safe=""),
                                                      urllib.parse.quote(callback, safe=""))


def refund_callback_pairs(listener, pic):
    wait_for("the refund callback", lambda: listener.paths, 30)
    called = listener.paths[0]
    if not called.startswith("/done?&"):
        raise Failure("the refund callback asked for %r" % called)
    pairs = dict(p.split("=", 1) for p in called[len("/done?&"):].split("&"))
    if pairs != {"PIC": urllib.parse.quote(pic, safe=""), "Status": "Failure"}:
        raise Failure("the refund callback asked for %r" % called)


def case_refund_url_declined_or_unknown(session):
    """Sign in and print a piece through a "print" link; a "refund" link for
    it that the user declines, and one for a PIC the mailing log does not
    hold (no question is asked), each call back "Failure" with their PIC and
    give nothing back at the vendor; the piece stays unvoided."""
    main = session.sign_in()
    listener = Listener()
    try:
        hand_url(session, print_url(listener.url))
        answer(session, main, "refund-declined-print", "Return")
        log = wait_for("the mailing log's entry", session.mailing_log, 60)
        wait_for("the print callback", lambda: listener.paths, 30)
        pic = str(log[0].get("QVUSPSShipmentPICKey", ""))
        if not pic:
            raise Failure("the logged piece has no PIC: %r" % log[0])
        printed = session.account()

        listener.paths.clear()
        hand_url(session, refund_link(pic, listener.url))
        answer(session, main, "refund-url-declined", "Escape")
        refund_callback_pairs(listener, pic)

        listener.paths.clear()
        unknown = "9400100000000000000000"
        if unknown == pic:
            unknown = "9400100000000000000001"
        hand_url(session, refund_link(unknown, listener.url))
        refund_callback_pairs(listener, unknown)
        if question(session, main) is not None:
            session.screenshot("refund-unknown-asked")
            raise Failure("a refund link for a PIC not in the log asked the user")
        time.sleep(2)
        if session.account()["balanceMils"] != printed["balanceMils"]:
            raise Failure("a declined or unknown refund moved the balance")
        voided = [e for e in session.mailing_log() if e.get("QVShipmentVoidKey")]
        if voided:
            raise Failure("a declined refund voided the piece: %r" % voided)
    finally:
        listener.close()


def case_new_shipment_link_after_print_callback(session):
    """Sign in; a "newShipment2" link fills the window's piece without asking
    and keeps its CallbackURL; the user prints it with Ctrl+P and the
    after-print request reaches the local listener with "Success", the
    piece's PIC and the reply's values percent-escaped."""
    main = session.sign_in()
    listener = Listener()
    try:
        pairs = [(k, v) for k, v in PRINT_PAIRS if k != "CallbackMethod"] + [("CallbackURL", listener.url)]
        hand_url(session, "tolvane://newShipment2?" +
                 ";".join("%s=%s" % (k, urllib.parse.quote(v, safe="")) for k, v in pairs))
        time.sleep(3)
        if question(session, main) is not None:
            session.screenshot("new-shipment-asked")
            raise Failure("a newShipment2 link asked the user")
        if session.pdfs() or session.mailing_log() or listener.paths:
            raise Failure("a newShipment2 link printed or called back by itself: %r" % listener.paths)
        session.screenshot("new-shipment-filled")
        session.xdotool("windowfocus", "--sync", main)
        session.keys(main, "ctrl+p")
        wait_for("a printed PDF", session.pdfs, 60)
        log = wait_for("the mailing log's entry", session.mailing_log, 30)
        wait_for("the after-print callback", lambda: listener.paths, 30)
        called = listener.paths[0]
        if not called.startswith("/done?&"):
            raise Failure("the after-print callback asked for %r" % called)
        values = dict(p.split("=", 1) for p in called[len("/done?&"):].split("&"))
        pic = str(log[-1].get("QVUSPSShipmentPICKey", ""))
        if values.get("Status") != "Success" or values.get("ReferenceID") != "A%26B%3DC%20D":
            raise Failure("the after-print callback asked for %r" % called)
        if not pic or urllib.parse.unquote(values.get("PIC", "")).replace(" ", "") != pic.replace(" ", ""):
            raise Failure("the after-print callback's PIC %r is not the logged %r" % (values.get("PIC"), pic))
        if urllib.parse.unquote(values.get("ToName", "")) != "Ada Lovelace":
            raise Failure("the after-print callback's ToName reads %r" % values.get("ToName"))
    finally:
        listener.close()


def case_browser_callback_opens_the_url(session):
    """Sign in; a Test document whose callback method is BROWSER hands the
    callback URL, with the reply's values escaped, to the desktop's opener;
    the program itself fetches nothing."""
    session.sign_in()
    listener = Listener()
    try:
        document = ('<Glimra Test="YES" Prompt="NO" CallbackURL="%s" CallbackMethod="BROWSER">' % listener.url +
                    PACKAGE.format(id="br", reference="R&amp;B C") + '</Glimra>')
        status, reply, errors = hand_over(session, document)
        packages = reply_packages(reply)
        if status != 0 or len(packages) != 1 or packages[0].findtext("Status") != "Success":
            raise Failure("the Test document did not succeed: %d %r %r" % (status, reply, errors))
        opened = wait_for("the opener to be asked", session.opened_urls, 30)
        time.sleep(2)
        if listener.paths:
            raise Failure("the program fetched the BROWSER callback itself: %r" % listener.paths)
        if len(opened) != 1 or not opened[0].startswith(listener.url + "?&"):
            raise Failure("the opener was handed %r" % opened)
        values = dict(p.split("=", 1) for p in opened[0][len(listener.url + "?&"):].split("&"))
        if values.get("ReferenceID") != "R%26B%20C" or values.get("Status") != "Success":
            raise Failure("the opened callback reads %r" % opened[0])
    finally:
        listener.close()


def case_hostile_file_handed_with_f(session):
    """Sign in; a file holding a DTD with entities and a purchase, handed
    over with "tolvanetool -f", shows the "Error parsing XML" alert and buys,
    prints and logs nothing."""
    main = session.sign_in()
    before = session.account()
    path = os.path.join(session.workdir, "hostile.xml")
    with open(path, "wb") as f:
        f.write(dict(HOSTILE)["entities"])
    tool = subprocess.Popen([tolvanetool(session), "-f", path], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            env=session.env)
    alert = wait_for("the parse alert", lambda: question(session, main), 60)
    time.sleep(1.0)
    session.screenshot_window(alert, "hostile-file-alert")
    session.keys(alert, "Return")
    try:
        stdout, stderr = tool.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        tool.kill()
        raise Failure("tolvanetool -f did not end")
    print("tolvanetool -f: %d %r %r" % (tool.returncode, stdout[:300], stderr[:300]), flush=True)
    if stdout:
        raise Failure("tolvanetool -f printed %r" % stdout[:300])
    time.sleep(2)
    if session.account()["balanceMils"] != before["balanceMils"]:
        raise Failure("the hostile file moved the balance")
    if session.pdfs() or session.mailing_log():
        raise Failure("the hostile file printed or logged")
