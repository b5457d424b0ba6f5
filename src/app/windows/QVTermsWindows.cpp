#include "app/windows/QVTermsWindows.h"

#include "app/windows/QVWebPages.h"
#include "model/TemplateSubstitution.h"
#include "platform/Bundle.h"
#include "platform/Dialogs.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "printing/QVPrintOperation.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "services/QVRHOAccountInformationCommandCenter.h"

#include <QCheckBox>
#include <QDialog>
#include <QDebug>
#include <QDialogButtonBox>
#include <QFile>
#include <QPainter>
#include <QPushButton>
#include <QTextBrowser>
#include <QTextDocument>
#include <QtMath>
#include <QVBoxLayout>

#include <algorithm>

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

// A text laid out in pages of the print info's imageable area (points, the
// scaling factor taken out); each printed page shows one of them.
class TermsPrintView : public QWidget, public QVPagedView, public QVPrintingView
{
public:
    explicit TermsPrintView(const QString &html) { m_document.setHtml(html); }

    int pageCountForPrinting(const PrintInfo &printInfo) override
    {
        layOut(printInfo);
        return m_document.pageCount();
    }
    QRectF rectForPage(int page, const PrintInfo &printInfo) override
    {
        layOut(printInfo);
        const QSizeF size = m_document.pageSize();
        return QRectF(0, (page - 1) * size.height(), size.width(), size.height());
    }
    void drawForPrinting(QPainter &painter, const PrintInfo &printInfo) override
    {
        const QRectF page = rectForPage(std::max(1, QVPrintOperation::currentPage()), printInfo);
        painter.save();
        m_document.drawContents(&painter, page);
        painter.restore();
    }

private:
    void layOut(const PrintInfo &printInfo)
    {
        QSizeF paper = printInfo.paperSize;
        if (printInfo.orientation == PrintInfo::Orientation::Landscape)
            paper.transpose();
        const double scale = printInfo.scalingFactor > 0 ? printInfo.scalingFactor : 1.0;
        const QSizeF area(std::max(72.0, paper.width() - printInfo.leftMargin - printInfo.rightMargin) / scale,
                          std::max(72.0, paper.height() - printInfo.topMargin - printInfo.bottomMargin) / scale);
        if (m_document.pageSize() == area)
            return;
        m_document.setPageSize(area);
        resize(qCeil(area.width()), qCeil(area.height() * m_document.pageCount()));
    }

    QTextDocument m_document;
};

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
    const int code =
        runTermsWindow(QStringLiteral("Express Mail Terms"), termsHTML(),
                       {{QStringLiteral("Print"), -1}, {QStringLiteral("Disagree"), 0}, {QStringLiteral("Agree"), 1}},
                       box, [this, box](int button) {
                           if (button < 0) {
                               printTerms();
                               return -1;
                           }
                           return button == 1 ? agree(box->isChecked()) : 0;
                       });
    if (!box->parent())
        delete box;
    return code == 1;
}

bool QVExpressMailTerms::printTerms()
{
    const std::optional<PrintInfo> chosen =
        runPageSetup(QVPrinterSetupController::sharedController()->plainPaperPrintInfo(), nullptr);
    if (!chosen)
        return false;
    TermsPrintView view(termsHTML());
    QVPrintOperation operation(&view, *chosen);
    operation.setJobTitle(QStringLiteral("Express Mail Terms"));
    if (operation.runOperation())
        return true;
    qWarning().noquote() << "The Express Mail terms did not print:" << operation.errorString();
    return false;
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
