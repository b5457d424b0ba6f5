#include "app/QVTermsWindows.h"

#include "app/QVWebPages.h"
#include "model/TemplateSubstitution.h"
#include "platform/Bundle.h"
#include "platform/Dialogs.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOAccountInformationCommandCenter.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

QString hostSetting(const QString &key, const QString &builtIn)
{
    const QString value = UserDefaults::standardUserDefaults().stringForKey(key).trimmed();
    return value.isEmpty() ? builtIn : value;
}

// A modal window with the text and the buttons; answers the chosen code.
int runTermsWindow(const QString &title, const QString &html, const QList<QPair<QString, int>> &buttons, QCheckBox *box,
                   const std::function<int(int)> &decide)
{
    if (isAutomationMode())
        return 0;
    QDialog dialog;
    dialog.setWindowTitle(title);
    auto *text = new QTextBrowser(&dialog);
    text->setOpenLinks(false);
    text->setHtml(html);
    QObject::connect(text, &QTextBrowser::anchorClicked, &dialog, [](const QUrl &url) { openUrl(url); });
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    if (box) {
        box->setParent(&dialog);
        layout->addWidget(box);
    }
    auto *row = new QDialogButtonBox(&dialog);
    for (const auto &[label, code] : buttons) {
        QPushButton *button = row->addButton(label, QDialogButtonBox::ActionRole);
        // A copy of its own: a structured binding cannot be captured by
        // every compiler we build with.
        const auto buttonCode = code;
        QObject::connect(button, &QPushButton::clicked, &dialog, [&dialog, &decide, buttonCode] {
            const int result = decide(buttonCode);
            if (result >= 0)
                dialog.done(result);
        });
    }
    layout->addWidget(row);
    dialog.resize(520, 420);
    return dialog.exec();
}

} // namespace

QString termsHTMLForResource(const QString &name)
{
    QFile file(Bundle::pathForResource(name, QStringLiteral("html")));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QVariantMap hosts{
        {QStringLiteral("uspsWebSite"), hostSetting(QVUSPSWebSiteDefaultsKey, QVUSPSWebSiteBuiltIn).toHtmlEscaped()},
        {QStringLiteral("tolvaneWebSite"),
         hostSetting(QVVendorWebSiteDefaultsKey, QVVendorWebSiteBuiltIn).toHtmlEscaped()}};
    return stringByReplacingKeysInDictionary(QString::fromUtf8(file.readAll()), hosts, QStringLiteral("<%"),
                                             QStringLiteral("%>"));
}

// ---- Express Mail terms -------------------------------------------------------------

bool QVExpressMailTerms::alwaysAgree()
{
    return UserDefaults::standardUserDefaults().boolForKey(QVAgreeToExpressMailTermsDefaultsKey);
}

int QVExpressMailTerms::agree(bool alwaysAgreeChecked)
{
    if (alwaysAgreeChecked)
        UserDefaults::standardUserDefaults().setBool(true, QVAgreeToExpressMailTermsDefaultsKey);
    return 1;
}

bool QVExpressMailTerms::agreeToTerms()
{
    auto *box = new QCheckBox(QStringLiteral("Always agree to these terms"));
    const int code = runTermsWindow(QStringLiteral("Express Mail Terms"), termsHTML(),
                                    {{QStringLiteral("Disagree"), 0}, {QStringLiteral("Agree"), 1}}, box,
                                    [this, box](int button) { return button == 1 ? agree(box->isChecked()) : 0; });
    if (!box->parent())
        delete box;
    return code == 1;
}

// ---- Insurance agreement ------------------------------------------------------------

int QVTolvaneInsuranceAgreementController::agree()
{
    const std::shared_ptr<QVRHOAccountInformationCommandCenter> client =
        QVRHOAccountInformationCommandCenter::commandCenter();
    const std::optional<QVAccountCredentials> account = client->credentials();
    if (!account) {
        runAlert(alertWithText(QStringLiteral("The agreement could not be sent."),
                               QStringLiteral("Your postage account is not known yet. Try again once the account "
                                              "status has been read.")));
        return 0;
    }
    if (!client->agreeToInsuranceForAccount(account->account, account->webPassword)) {
        runAlert(alertWithText(QStringLiteral("The agreement could not be sent."),
                               QStringLiteral("The account service did not answer (%1). Your insurance agreement "
                                              "was not recorded; please try again later.")
                                   .arg(client->lastErrorDescription())));
        return 0;
    }
    return 1;
}

bool QVTolvaneInsuranceAgreementController::agreeToTerms()
{
    const int code = runTermsWindow(
        QStringLiteral("Insurance Agreement"), termsHTML(),
        {{QStringLiteral("View Terms"), -1}, {QStringLiteral("Disagree"), 0}, {QStringLiteral("Agree"), 1}}, nullptr,
        [this](int button) {
            if (button < 0) {
                viewTerms();
                return -1;
            }
            return button == 1 ? agree() : 0;
        });
    return code == 1;
}

std::optional<QUrl> QVTolvaneInsuranceAgreementController::termsPageURL()
{
    QUrl url(QStringLiteral("https://") + hostSetting(QVVendorWebSiteDefaultsKey, QVVendorWebSiteBuiltIn) +
                 QStringLiteral("/Account/LogIn/"),
             QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.path() != QLatin1String("/Account/LogIn/") || url.hasQuery())
        return std::nullopt;
    url.setQuery(QStringLiteral("InsuranceAgreement"));
    return url;
}

bool QVTolvaneInsuranceAgreementController::viewTerms()
{
    const std::optional<QUrl> url = termsPageURL();
    return url && openUrl(*url);
}
