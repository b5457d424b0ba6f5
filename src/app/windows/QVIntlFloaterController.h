#pragma once
// The international information window: for the destination country of an
// international shipment, the Postal Service's country information from USPS
// Web Tools ("IntlRate" for 1 ounce, envelope), one topic at a time:
// "Prohibitions", "Restrictions", "Observations", "CustomsForms",
// "ExpressMail" (a topic's tag is its index).
//
// One shared controller on plain state; its window (made on the first show)
// only shows that state. The country follows
// "QVDidValidateInternationalAddressNotification" (user info "country").
// A fetch happens when a country is named while the window is shown, or when
// the window is shown again without a good reply held (the very first show
// fetches nothing: the main window names the country right after it). A
// reply holding an "Error" shows its description, and so does a failure
// without reply (the client's reason); either stays shown when the topic
// changes.
#include "platform/NotificationCenter.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>

#include <functional>
#include <optional>

class QVIntlFloaterController
{
public:
    QVIntlFloaterController();
    ~QVIntlFloaterController();

    static QVIntlFloaterController &intlFloater();
    // For tests: a fresh shared controller, the first-show flag cleared.
    static void resetForTesting();

    static const QStringList &fieldTags();

    // The progress panel around the fetch (empty: none).
    std::function<void(const QString &text)> showProgress;
    std::function<void()> hideProgress;

    // ---- Window -------------------------------------------------------------------
    void showWindow();
    // The window was hidden or closed by the user.
    void windowDidHide();
    bool isWindowVisible() const { return m_visible; }
    bool isWindowLoaded() const { return m_loaded; }
    QWidget *window() const { return m_window; }

    // ---- Actions ------------------------------------------------------------------
    void viewCountry(const std::optional<QString> &country);
    void countryChange(const QString &title);
    void showField(const QString &topic);
    void fieldChange(int tag);

    // ---- State shown --------------------------------------------------------------
    QString currCountry() const { return m_country; }
    std::optional<QVariantMap> currDictionary() const { return m_reply; }
    QString selectedCountryTitle() const { return m_countryTitle; }
    int selectedField() const { return m_field; }
    QString text() const { return m_text; }

private:
    void windowDidLoad();
    void syncCountry();
    void updateWindow();

    QString m_country;
    std::optional<QVariantMap> m_reply;
    QString m_countryTitle;
    int m_field = 0;
    QString m_text;
    bool m_loaded = false;
    bool m_visible = false;
    QPointer<QWidget> m_window;
    NotificationObserver m_observer;
};
