#pragma once
// The two agreements the print flow may ask for, each in a modal window:
//
// QVExpressMailTerms: the Express Mail terms ("ExpressMailTerms.html", which
// points to the terms the Postal Service publishes on the host of the
// setting "uspsWebSite") with an "always agree" box; alwaysAgree() is the
// user default "agreeToExpressMailTerms" with which a caller skips the
// panel.
//
// QVTolvaneInsuranceAgreementController: the vendor's parcel-insurance
// agreement ("InsuranceAgreementText.html", pointing to the agreement on the
// host of "tolvaneWebSite"). Agreeing sends the acceptance to the
// account-information service for the postage account; it counts only when
// the service answered: without an answer the user is told why and the
// answer is NO.
//
// The texts carry "<%uspsWebSite%>" and "<%tolvaneWebSite%>", filled from
// the settings. The modal windows are thin; agree()/disagree() carry the
// decisions and are tested without a display.
#include <QString>
#include <QUrl>

#include <optional>

inline const QString QVAgreeToExpressMailTermsDefaultsKey = QStringLiteral("agreeToExpressMailTerms");

// The HTML of the bundled resource with the hosts of the settings filled in;
// empty when the resource is missing.
QString termsHTMLForResource(const QString &name);

class QVExpressMailTerms
{
public:
    static bool alwaysAgree();
    QString termsHTML() const { return termsHTMLForResource(QStringLiteral("ExpressMailTerms")); }
    // Runs the panel modally; YES when the user agreed.
    bool agreeToTerms();
    // The panel's buttons: the modal run's code (1 agree, 0 disagree).
    int agree(bool alwaysAgreeChecked);
    int disagree() { return 0; }
    // The panel's "Print" button: the terms text, laid out in pages, through
    // the plain-paper print settings the print panel (page set-up) shows;
    // false when the panel was cancelled or the print did not run.
    bool printTerms();
};

class QVTolvaneInsuranceAgreementController
{
public:
    QString termsHTML() const { return termsHTMLForResource(QStringLiteral("InsuranceAgreementText")); }
    // Runs the window modally; YES when the acceptance was recorded.
    bool agreeToTerms();
    // "Agree": sends the acceptance; 1 when the service answered, else an
    // alert with the reason and 0.
    int agree();
    int disagree() { return 0; }
    // "View Terms": the vendor's log-in page with the query
    // "InsuranceAgreement" in the browser (nothing for a host setting that
    // does not make a web address).
    static std::optional<QUrl> termsPageURL();
    bool viewTerms();
};
