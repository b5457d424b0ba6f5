"""Prices: a piece whose price the program's tables do not know is never
bought."""
import time

from session import Failure, wait_for

# Offsets in the main window of the Mailpiece and Mail Class pop-ups (a wheel
# step over a pop-up chooses its next item).
MAILPIECE = ("560", "158")
MAIL_CLASS = ("560", "187")


def scroll(session, main, where, steps):
    for _ in range(steps):
        session.xdotool("mousemove", "--window", main, where[0], where[1], "click", "5")
        time.sleep(1.2)


def case_unpriced(session):
    """A Parcel Select package (a class the built-in tables do not price, so
    its total shows 0.00): Print puts up an alert (it says the postage price
    is not known), no PDF arrives, the mailing log gains nothing and the
    vendor's account neither pays nor counts a piece."""
    main = session.sign_in()
    before = session.account()
    session.xdotool("windowfocus", "--sync", main)
    session.xdotool("mousemove", "--window", main, "150", "200", "click", "1")
    time.sleep(0.5)
    for line in ["Ada Lovelace", "1600 Pennsylvania Ave NW"]:
        session.type(main, line)
        session.keys(main, "Return")
    session.type(main, "Washington DC 20500")
    time.sleep(1.0)
    # Letter -> Postcard -> Package; First-Class Mail -> Media Mail ->
    # Parcel Select.
    scroll(session, main, MAILPIECE, 2)
    scroll(session, main, MAIL_CLASS, 2)
    session.screenshot("unpriced-piece")
    session.keys(main, "ctrl+p")


    wait_for("the alert that says the price is not known", lambda: session.window_over(main), 30)
    time.sleep(3)
    session.screenshot("unpriced")
    if session.pdfs():
        raise Failure("a piece without a price printed: %s" % session.pdfs())
    if session.mailing_log():
        raise Failure("a piece without a price was logged")
    after = session.account()
    if after["balanceMils"] != before["balanceMils"] or after["pieceCount"] != before["pieceCount"]:
        raise Failure("a piece without a price was bought: %r -> %r" % (before, after))
