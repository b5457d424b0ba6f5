#pragma once
// The mailing restrictions of a military ZIP code (APO/FPO/DPO), as USPS Web
// Tools reports them, in a small window per ZIP code. The controllers of the
// open windows are kept by ZIP: asking again for a ZIP whose window is open
// brings that window forward without a new request; closing the window
// drops its controller, so the next request for the ZIP makes a new window
// and asks again.
//
// The request is synchronous and shows no progress panel; when it fails the
// window keeps its placeholder text.
#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class QTextBrowser;

class QVAPORestrictionsController
{
public:
    explicit QVAPORestrictionsController(const QString &zip);
    ~QVAPORestrictionsController();

    // The controller kept for the ZIP, or a new one (its window made, its
    // restrictions asked for); its window is brought to the front.
    static std::shared_ptr<QVAPORestrictionsController> showWindowForZIP(const QString &zip);
    // The controllers of the open windows.
    static const QHash<QString, std::shared_ptr<QVAPORestrictionsController>> &openControllers();
    static void closeAllForTesting();

    QString zipcode() const { return m_zip; }
    QString windowTitle() const;
    QString text() const;
    QWidget *window() const { return m_window; }

    // The window closes: the controller is dropped.
    void windowWillClose();

private:
    void awakeFromNib();

    QString m_zip;
    QPointer<QWidget> m_window;
    QTextBrowser *m_textField = nullptr;
};
