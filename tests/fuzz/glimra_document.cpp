// The Glimra XML automation on any bytes: processXML over a main window that
// takes every package, with nothing written, bought, opened or sent. Every
// input gets no reply (no "Glimra" root, no input) or a well-formed one, and
// automation mode is off afterwards.
#include "FuzzSupport.h"
#include "QuietMainWindow.h"
#include "automation/QVGlimraAutomation.h"
#include "model/QVShipment.h"
#include "model/XMLDocument.h"
#include "platform/Dialogs.h"
#include "platform/UrlOpener.h"

#include <cstdlib>
#include <memory>

namespace {

// The quiet window, whose print flow prints every piece.
class Window final : public tolvane::test::QuietMainWindow
{
public:
    bool printLabelAsATest(bool) override { return true; }
};

class Delegate final : public QVPrintFlowHost
{
public:
    bool automation = false;
    void setProgressTextString(const QString &) override {}
    void hideProgressPanel() override {}
    bool isAutomation() override { return automation; }
    void setAutomation(bool on) override { automation = on; }
};

class NoDialogs final : public Dialogs
{
public:
    int runAlert(const Alert &alert) override { return alert.cancelAnswer; }
};

class NoOpener final : public UrlOpener
{
public:
    bool openUrl(const QUrl &, bool) override { return true; }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The user defaults that documents switch live in a folder of the run.
    static char folder[] = "/tmp/tolvane-fuzz-support-XXXXXX";
    if (!mkdtemp(folder))
        std::abort();
    setenv("TOLVANE_SUPPORT_DIR", folder, 1);
    setDialogs(std::make_shared<NoDialogs>());
    setUrlOpener(std::make_shared<NoOpener>());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const auto window = std::make_shared<Window>();
    static const auto delegate = std::make_shared<Delegate>();
    static const auto automation = [] {
        QVPackageEnvironment environment;
        environment.window = [] { return std::static_pointer_cast<QVMainWindowHost>(window); };
        environment.delegate = [] { return std::static_pointer_cast<QVPrintFlowHost>(delegate); };
        environment.scaleOunces = [] { return std::optional<int>(); };
        environment.allowedSize = [](const QString &) { return true; };
        QVAutomationAccount account;
        account.postageBuy = [](qint64) { return std::optional<QVAutomationPurchase>(); };
        account.lastValidBalanceText = [] { return QString(); };
        auto made = std::make_shared<QVGlimraAutomation>(environment, account);
        made->setOutputWriter([](const QString &, const QByteArray &) { return true; });
        made->callbacks().setGetSender([](const QUrl &) {});
        return made;
    }();
    const std::optional<QString> reply = automation->processXMLData(tolvane::fuzz::bytesOf(data, size));
    if (reply && !QVXMLDocument::fromData(reply->toUtf8()))
        std::abort();
    if (delegate->automation)
        std::abort();
    return 0;
}
