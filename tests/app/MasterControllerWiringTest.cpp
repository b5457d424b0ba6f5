// The real objects behind the main-window controller's interfaces read the
// shared clients.
#include "app/MasterControllerWiring.h"

#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVRHOCommandCenter.h"

#include <gtest/gtest.h>

TEST(MasterControllerWiringTest, AccountInformationComesFromTheClientsLastReply)
{
    auto client = QVRHOAccountInformationCommandCenter::commandCenter();
    const QVariantMap saved = client->lastResponse();
    const std::shared_ptr<MasterAccountInformation> account = makeMasterAccountInformation();

    client->setLastResponse({{QStringLiteral("DateAdvance"), QStringLiteral("3")},
                             {QStringLiteral("CanUseStandardPost"), QStringLiteral("true")}});
    EXPECT_EQ(account->dateAdvance(), 3);
    EXPECT_TRUE(account->standardPost());
    client->setLastResponse({{QStringLiteral("DateAdvance"), QStringLiteral("0")}});
    EXPECT_EQ(account->dateAdvance(), 0);
    EXPECT_FALSE(account->standardPost());
    client->setLastResponse(saved);
}

TEST(MasterControllerWiringTest, PostageStatusIsTheClientsLastValidReply)
{
    ASSERT_EQ(QVRHOCommandCenter::commandCenter()->lastValidStatusResponse(), nullptr);
    EXPECT_FALSE(makeMasterPostageStatus()->hasLastValidStatusResponse());
}

TEST(MasterControllerWiringTest, PrintingPassesTheSheetAndTheDefaultsChange)
{
    int sheets = 0;
    int changes = 0;
    std::function<void()> end;
    const auto printing = makeMasterPrinting(
        [&](std::shared_ptr<QVShipment>, std::function<void()> didEnd) {
            ++sheets;
            end = std::move(didEnd);
        },
        [&] { ++changes; });
    bool ended = false;
    printing->runCustomsSheet(nullptr, [&] { ended = true; });
    printing->printingDefaultsChanged();
    EXPECT_EQ(sheets, 1);
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(end);
    end();
    EXPECT_TRUE(ended);
    // Without a window nothing happens.
    const auto bare = makeMasterPrinting({}, {});
    bare->runCustomsSheet(nullptr, [] {});
    bare->printingDefaultsChanged();
}
