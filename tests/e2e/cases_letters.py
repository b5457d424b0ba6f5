"""Letters: a First-Class envelope printed to the PDF queue, and one the
vendor refuses."""
import os
import time

from session import ACCOUNT, Failure, decode_indicium, wait_for


def print_a_letter(session, main):
    # The destination box: the upper left of the window, below the "To"
    # heading.
    session.xdotool("windowfocus", "--sync", main)
    session.xdotool("mousemove", "--window", main, "150", "200", "click", "1")
    time.sleep(0.5)
    session.type(main, "Ada Lovelace")
    session.keys(main, "Return")
    session.type(main, "1600 Pennsylvania Ave NW")
    session.keys(main, "Return")
    session.type(main, "Washington DC 20500")
    time.sleep(1.0)
    session.keys(main, "ctrl+p")


def case_envelope(session):
    """Sign in, type an address, print a First-Class envelope: a PDF arrives
    whose PDF417 indicium decodes to the demo's test indicium, the mailing log
    gains the piece, the balance at the vendor drops by its postage, and Ctrl+L
    opens the mailing-log window."""
    main = session.sign_in()
    before = session.account()
    print_a_letter(session, main)
    pdf = session.first_pdf("a printed PDF")
    text = decode_indicium(pdf, session.workdir)
    if "TOLVANE DEMO TEST INDICIUM" not in text or "ACCT " + ACCOUNT not in text:
        raise Failure("the printed indicium reads %r" % text)
    log = wait_for("the mailing log's entry", session.mailing_log, 20)
    if len(log) != 1:
        raise Failure("the mailing log holds %d entries" % len(log))
    after = session.account()
    used = before["balanceMils"] - after["balanceMils"]
    if used != 480:
        raise Failure("the balance moved by %d mils, not the letter's 480" % used)
    # Ctrl+L: the mailing-log window.
    session.keys(main, "ctrl+l")
    session.wait_window("^Mailing Log$", 20)
    session.screenshot("envelope")


def case_refused(session):
    """The vendor refuses the next indicium: nothing prints, the log gains
    nothing and the balance stays."""
    main = session.sign_in()
    before = session.account()
    session.control("/standins/control/fail-next?service=postage&code=101", "POST")
    print_a_letter(session, main)

    # The refusal is said in an alert over the window.

    wait_for("the alert that says why nothing printed", lambda: session.window_over(main), 30)
    time.sleep(2)
    session.screenshot("refused")
    if session.pdfs():
        raise Failure("a refused piece printed: %s" % session.pdfs())
    if session.mailing_log():
        raise Failure("a refused piece was logged")
    if session.account()["balanceMils"] != before["balanceMils"]:
        raise Failure("a refused piece moved the balance")
