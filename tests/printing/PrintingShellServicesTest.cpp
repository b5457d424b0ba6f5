// What the print road asks of the application shell: before the shell is
// registered the version may print, there is no batch, and nothing else
// happens; a registered shell is asked instead.
#include "printing/PrintingServices.h"

#include <gtest/gtest.h>

namespace {

class RecordingShell final : public QVPrintingShellServices
{
public:
    QStringList calls;
    bool validateVersionForPrinting() override
    {
        calls << QStringLiteral("validate");
        return false;
    }
    void refreshTolvaneStatus() override { calls << QStringLiteral("refresh"); }
    bool inBatchMode() override { return true; }
    QStringList batchAddresses() override { return {QStringLiteral("Ada\n1 Main St")}; }
    void setShipmentDefaults() override { calls << QStringLiteral("defaults"); }
    void newPackageWithAddressString(const QString &address, const QString &, const QString &, const QString &) override
    {
        calls << address;
    }
};

} // namespace

TEST(PrintingShellServicesTest, StandInUntilTheShellRegistersThenTheShell)
{
    setPrintingShellServices(nullptr);
    EXPECT_TRUE(printingShellServices()->validateVersionForPrinting());
    EXPECT_FALSE(printingShellServices()->inBatchMode());
    EXPECT_TRUE(printingShellServices()->batchAddresses().isEmpty());
    printingShellServices()->refreshTolvaneStatus();

    auto shell = std::make_shared<RecordingShell>();
    setPrintingShellServices(shell);
    EXPECT_FALSE(printingShellServices()->validateVersionForPrinting());
    EXPECT_TRUE(printingShellServices()->inBatchMode());
    printingShellServices()->refreshTolvaneStatus();
    printingShellServices()->newPackageWithAddressString(QStringLiteral("Ada"), {}, {}, {});
    EXPECT_EQ(shell->calls, (QStringList{"validate", "refresh", "Ada"}));
    setPrintingShellServices(nullptr);
    EXPECT_FALSE(printingShellServices()->inBatchMode());
}
