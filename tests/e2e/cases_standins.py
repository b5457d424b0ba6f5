"""The suite against a vendor that answers wrongly: a walk that passes with
the faithful stand-ins fails when one of them is told to answer wrongly."""
from cases_labels import case_priority_label
from session import Failure


def case_a_wrong_answer_fails_a_walk(session):
    """The domestic Priority label walk, with the stand-in postage server told
    (over the control road, as Print is pressed) to answer the next request
    with an empty reply: the walk fails, an alert over the window says why,
    and nothing was printed, logged or charged."""
    keys = session.keys
    charged = []

    def keys_with_a_wrong_answer(window, *pressed):
        if "ctrl+p" in pressed:
            charged.append((window, session.account()["balanceMils"]))
            session.control("/standins/control/fail-next?service=postage", "POST")
        return keys(window, *pressed)

    session.keys = keys_with_a_wrong_answer
    try:
        case_priority_label(session)
    except Failure as failure:
        print("the walk failed as it should: %s" % failure)
    else:
        raise Failure("the Priority label walk passed although the stand-in answered wrongly")
    finally:
        session.keys = keys
    if not charged:
        raise Failure("the walk never reached Print")
    main, balance = charged[0]
    # The program says why nothing printed, in an alert over its window.
    alert = session.window_over(main)
    if not alert:
        raise Failure("no alert says why nothing printed")
    session.screenshot_window(alert, "wrong-answer-alert")
    if session.pdfs():
        raise Failure("a piece printed after a wrong answer: %s" % session.pdfs())
    if session.mailing_log():
        raise Failure("a piece was logged after a wrong answer")
    if session.account()["balanceMils"] != balance:
        raise Failure("the balance moved from %d to %d mils after a wrong answer" %
                      (balance, session.account()["balanceMils"]))
