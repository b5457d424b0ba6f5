#include "platform/AutomationServices.h"

#include "platform/ServiceSlot.h"

#include <QtDebug>

namespace {

class NoAutomation final : public QVAutomationServices
{
public:
    bool callbackPairs(const QVariantMap &, const QString &url, const QString &) override
    {
        return refuse(QStringLiteral("the answer to %1 is not sent").arg(url));
    }
    std::optional<QString> processXMLCommandDictionary(const QVariantMap &) override
    {
        refuse(QStringLiteral("the command is not carried out"));
        return std::nullopt;
    }
    QVAutomationReply processXMLFileAtURL(const QUrl &file) override
    {
        refuse(QStringLiteral("%1 is not carried out").arg(file.toString()));
        return std::nullopt;
    }
    bool processPackage(const QVariantMap &) override
    {
        return refuse(QStringLiteral("the package is not carried out"));
    }

private:
    static bool refuse(const QString &what)
    {
        qWarning().noquote() << "No XML automation:" << what;
        return false;
    }
};

using AutomationSlot = ServiceSlot<QVAutomationServices, NoAutomation>;

} // namespace

std::optional<QString> QVAutomationServices::processXML(const QString &document)
{
    qWarning().noquote() << "No XML automation: a document of" << document.size() << "characters is not carried out";
    return std::nullopt;
}

QVAutomationReply QVAutomationServices::processOpenedXMLFileAtURL(const QUrl &file)
{
    qWarning().noquote() << "No XML automation:" << file.toString() << "is not carried out";
    return std::nullopt;
}

void QVAutomationServices::setFailureReason(const QString &reason)
{
    if (!reason.isEmpty())
        qWarning().noquote() << "Automation failure reason not kept:" << reason;
}

void setAutomationServices(std::shared_ptr<QVAutomationServices> automation)
{
    AutomationSlot::shared().registered = std::move(automation);
}

std::shared_ptr<QVAutomationServices> automationServices() { return AutomationSlot::shared().current(); }
