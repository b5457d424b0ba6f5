// The stamp window registered as the printing layer's stamp window: the main
// window's Print, Test Print and Print Selected commands, taken through the
// registration, print the window's sheet (bought from the fake postage
// server, printed by the fake print system) as its own buttons do; once the
// window is gone they do nothing.
#include "TessaroPrintingSupport.h"

#include "stamps/TessaroStampWindowPrinting.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class TessaroStampWindowPrintingTest : public TessaroPrintingTest
{
protected:
    void TearDown() override
    {
        setStampWindowPrinting(nullptr);
        TessaroPrintingTest::TearDown();
    }
    std::shared_ptr<TessaroController> loadShared()
    {
        UserDefaults::standardUserDefaults().setInteger(TessaroController::SheetMode, TessaroModeDefaultsKey);
        auto controller = std::make_shared<TessaroController>(host, [] { return january2014(); });
        controller->windowDidLoad(TessaroLayout{});
        return controller;
    }
};

int countStamps(const QList<TessaroPage> &pages)
{
    int count = 0;
    for (const TessaroPage &page : pages)
        count += tolvaneTessaroCountOfNonNullObjects(page);
    return count;
}

} // namespace

TEST_F(TessaroStampWindowPrintingTest, TheCommandsReachTheWindowAsItsButtonsDo)
{
    const struct {
        const char *name;
        void (QVStampWindowPrinting::*command)();
        int purchases;
        int stampsPrinted;
    } cases[] = {
        {"Print", &QVStampWindowPrinting::printSheet, 24, 24},
        {"Test Print", &QVStampWindowPrinting::testPrint, 0, 24},
        {"Print Selected", &QVStampWindowPrinting::printSelected, 3, 3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const int before = purchases();
        queueStamps(24, 300);
        const auto window = loadShared();
        window->setSelectedCells({1, 5, 9});
        int shown = 0;
        const auto registered = registerTessaroStampWindowPrinting(window, [&shown] { ++shown; });
        ASSERT_EQ(stampWindowPrinting(), registered);

        (stampWindowPrinting().get()->*c.command)();

        EXPECT_EQ(purchases() - before, c.purchases);
        ASSERT_EQ(printers->jobs.size(), 1);
        ASSERT_NE(window->pageView(), nullptr);
        EXPECT_EQ(countStamps(window->pageView()->sheetArray()), c.stampsPrinted);
        EXPECT_EQ(log->records.size(), c.purchases > 0 ? 1 : 0);
        EXPECT_EQ(shown, 1);
    }
}

TEST_F(TessaroStampWindowPrintingTest, CommandsAfterTheWindowWentDoNothing)
{
    auto window = loadShared();
    int shown = 0;
    registerTessaroStampWindowPrinting(window, [&shown] { ++shown; });
    window.reset();
    ASSERT_NE(stampWindowPrinting(), nullptr);
    stampWindowPrinting()->printSheet();
    stampWindowPrinting()->testPrint();
    stampWindowPrinting()->printSelected();
    EXPECT_EQ(purchases(), 0);
    EXPECT_TRUE(printers->jobs.isEmpty());
    EXPECT_EQ(shown, 0);
}
