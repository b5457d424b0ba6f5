#pragma once
// QVXApp: the program's application object. Beside the platform's
// application it reports the exceptions that reach event delivery, and it
// answers the three scripting commands that other programs of the user send
// over the session bus (QVScriptingBus.h): process a Glimra XML file, tell
// the current balance, track a piece.
//
// The handlers and the report are static, so that they answer the same with
// or without the application object (tests run under their own).
#include <QApplication>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <optional>

// User default: exceptions that reach event delivery are written to the
// console in detail.
inline const QString QVDebugExceptionsKey = QStringLiteral("debugExceptions");
// The answer of every command but the balance in the stamps-only edition.
inline const QString QVScriptingNotAvailable = QStringLiteral("Not available");

class QVXApp : public QApplication
{
public:
    QVXApp(int &argc, char **argv);

    // Every event is delivered through deliverReportingExceptions().
    bool notify(QObject *receiver, QEvent *event) override;

    // Writes an exception to the console. With "debugExceptions" on:
    // "Exception raised:\n" followed by its name (the exception's type),
    // "\nReason: " and its text, "\nUser Info: (null)" (a C++ exception
    // carries no user information, nor its call stack); with it off, one
    // line: its name, ": " and its text. Nothing raised while writing
    // leaves it.
    static void reportException(const std::exception_ptr &exception);
    // Runs one delivery; an exception that leaves it is reported and the
    // delivery answers false, so the program goes on with the next event.
    static bool deliverReportingExceptions(const std::function<bool()> &deliver);

    // The scripting commands.
    // Process a file: "Not available" in the stamps-only edition; "Invalid
    // file for reading: " and the path when the path (tilde expanded, "."
    // and ".." resolved) is not absolute or names no readable regular file;
    // otherwise the reply of the XML automation's processXMLFileAtURL (the
    // road of the command-line tool's "-f"), or nothing when it carried
    // nothing out.
    static std::optional<QString> handleProcessXMLFileScriptCommand(const QString &file);
    // The balance of the postage client's last valid status reply without
    // the dollar sign ("1,234.50"), or "unknown" before any; in every
    // edition.
    static QString handleCurrentBalanceCommand();
    // The USPS tracking of a number: its first text (the reply's error
    // description, or the tracking summary, or the client's last error
    // description when there is no usable reply) followed by the tracking
    // details. A number with a summary that is in the mailing log is
    // tracked there again so its delivery status is updated; the log is
    // left untouched otherwise. {"Not available"} in the stamps-only
    // edition.
    static QStringList handleTrackScriptCommand(const QString &trackingNumber);
};
