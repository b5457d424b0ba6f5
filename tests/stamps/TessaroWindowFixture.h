#pragma once
// A stamp window for the tests of its companions (custom amounts, weighing,
// the guide): recorded alerts, a test host with a label printer, and the
// window loaded in a mode on the January 2014 prices.
#include "stamps/TessaroController.h"

#include "platform/UserDefaults.h"

#include "RecordingDialogs.h"
#include "StampTestSupport.h"
#include "TessaroTestHost.h"

namespace tolvane::test {

class TessaroWindowTest : public StampTest
{
protected:
    void SetUp() override
    {
        StampTest::SetUp();
        dialogs = std::make_shared<RecordingDialogs>();
        setDialogs(dialogs);
        host = std::make_shared<TessaroTestHost>();
        host->printer = true;
    }
    void TearDown() override
    {
        window.reset();
        setDialogs(nullptr);
        StampTest::TearDown();
    }

    void loadWindow(int mode, bool maker = false)
    {
        UserDefaults::standardUserDefaults().setInteger(mode, TessaroModeDefaultsKey);
        UserDefaults::standardUserDefaults().setBool(maker, QStringLiteral("kivoStampsVersion"));
        window = std::make_unique<TessaroController>(host, [] { return january2014(); });
        window->windowDidLoad();
    }

    std::shared_ptr<RecordingDialogs> dialogs;
    std::shared_ptr<TessaroTestHost> host;
    std::unique_ptr<TessaroController> window;
};

} // namespace tolvane::test
