#include "platform/NotificationCenter.h"

#include "QtPrinters.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <optional>
#include <thread>

namespace {

const QString kChanged = QStringLiteral("QVShipmentDidChangeNotification");
const QString kOther = QStringLiteral("QVMailingLogDidChangeNotification");

struct Shipment {
    int number = 0;
};

TEST(NotificationCenter, DeliversInRegistrationOrderToMatchingObservers)
{
    NotificationCenter center;
    QStringList calls;
    auto shipment = std::make_shared<Shipment>();
    auto otherShipment = std::make_shared<Shipment>();
    auto a = center.addObserver(kChanged, [&](const Notification &) { calls << QStringLiteral("a"); });
    auto b = center.addObserver(kChanged, shipment, [&](const Notification &) { calls << QStringLiteral("b"); });
    auto c = center.addObserver(QString(), [&](const Notification &n) { calls << QStringLiteral("c:") + n.name; });
    auto d = center.addObserver(kOther, [&](const Notification &) { calls << QStringLiteral("d"); });
    auto e = center.addObserver(kChanged, otherShipment, [&](const Notification &) { calls << QStringLiteral("e"); });

    center.post(kChanged, shipment);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c:") + kChanged}));
    calls.clear();
    center.post(kChanged);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("a"), QStringLiteral("c:") + kChanged}));
    calls.clear();
    center.post(kOther, otherShipment);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("c:") + kOther, QStringLiteral("d")}));
}

TEST(NotificationCenter, CarriesObjectAndUserInfo)
{
    NotificationCenter center;
    auto shipment = std::make_shared<Shipment>();
    shipment->number = 7;
    int plain = 3;
    std::optional<Notification> seen;
    auto observer = center.addObserver(kChanged, [&](const Notification &n) { seen = n; });

    center.post(kChanged, shipment, QVariantMap{{QStringLiteral("key"), 1}});
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->name, kChanged);
    EXPECT_EQ(seen->userInfo.value(QStringLiteral("key")), QVariant(1));
    ASSERT_TRUE(seen->object.shared<Shipment>());
    EXPECT_EQ(seen->object.shared<Shipment>()->number, 7);
    EXPECT_EQ(seen->object.get<const Shipment>(), shipment.get());
    EXPECT_EQ(seen->object.get<int>(), nullptr); // another type: nothing
    EXPECT_EQ(seen->object.shared<int>(), nullptr);

    center.post(kChanged, &plain);
    EXPECT_EQ(seen->object.get<int>(), &plain);
    EXPECT_EQ(seen->object.shared<int>(), nullptr); // not owned
    EXPECT_EQ(seen->object.address(), &plain);
}

TEST(NotificationCenter, ObserversMayRemoveThemselvesAndOthersDuringDelivery)
{
    NotificationCenter center;
    QStringList calls;
    NotificationObserver first;
    NotificationObserver second;
    NotificationObserver third;
    first = center.addObserver(kChanged, [&](const Notification &) {
        calls << QStringLiteral("first");
        first.reset(); // itself: its callback keeps running to the end
        calls << QStringLiteral("first-after");
    });
    second = center.addObserver(kChanged, [&](const Notification &) {
        calls << QStringLiteral("second");
        third.reset(); // a later one: not called any more in this delivery
    });
    third = center.addObserver(kChanged, [&](const Notification &) { calls << QStringLiteral("third"); });

    center.post(kChanged);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("first"), QStringLiteral("first-after"), QStringLiteral("second")}));
    EXPECT_FALSE(first.isActive());
    EXPECT_TRUE(second.isActive());
    EXPECT_FALSE(third.isActive());
    EXPECT_EQ(center.observerCount(), 1);

    calls.clear();
    center.post(kChanged);
    EXPECT_EQ(calls, QStringList{QStringLiteral("second")});
}

TEST(NotificationCenter, ObserversAddedOrPostsMadeDuringDelivery)
{
    NotificationCenter center;
    QStringList calls;
    std::vector<NotificationObserver> added;
    auto adder = center.addObserver(kChanged, [&](const Notification &) {
        calls << QStringLiteral("adder");
        if (added.empty())
            added.push_back(
                center.addObserver(kChanged, [&](const Notification &) { calls << QStringLiteral("new"); }));
    });
    auto reposter = center.addObserver(kOther, [&](const Notification &) {
        calls << QStringLiteral("other");
        center.post(kChanged);
    });
    center.post(kChanged);
    EXPECT_EQ(calls, QStringList{QStringLiteral("adder")});
    calls.clear();
    center.post(kOther);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("other"), QStringLiteral("adder"), QStringLiteral("new")}));
}

TEST(NotificationCenter, HandlesRemoveTheirObserversWhenDestroyedOrMoved)
{
    NotificationCenter center;
    int count = 0;
    {
        auto observer = center.addObserver(kChanged, [&](const Notification &) { ++count; });
        EXPECT_EQ(center.observerCount(), 1);
        center.post(kChanged);
    }
    EXPECT_EQ(center.observerCount(), 0);
    center.post(kChanged);
    EXPECT_EQ(count, 1);

    NotificationObserver kept;
    {
        auto observer = center.addObserver(kChanged, [&](const Notification &) { ++count; });
        kept = std::move(observer);
        EXPECT_FALSE(observer.isActive()); // NOLINT(bugprone-use-after-move): moved-from is empty
    }
    center.post(kChanged);
    EXPECT_EQ(count, 2);
    kept = NotificationObserver();
    center.post(kChanged);
    EXPECT_EQ(count, 2);

    // A handle that outlives its centre is harmless.
    NotificationObserver orphan;
    {
        NotificationCenter shortLived;
        orphan = shortLived.addObserver(kChanged, [](const Notification &) {});
        EXPECT_TRUE(orphan.isActive());
    }
    EXPECT_FALSE(orphan.isActive());
    orphan.reset();
}

TEST(NotificationCenter, DefaultCenterIsSharedAndCanBeEmptied)
{
    NotificationCenter &center = NotificationCenter::defaultCenter();
    EXPECT_EQ(&center, &NotificationCenter::defaultCenter());
    int count = 0;
    auto observer = center.addObserver(kChanged, [&](const Notification &) { ++count; });
    center.post(kChanged);
    center.removeAllObservers();
    EXPECT_FALSE(observer.isActive());
    center.post(kChanged);
    EXPECT_EQ(count, 1);
}

TEST(NotificationCenter, DeliversOnThePostingThread)
{
    NotificationCenter center;
    std::thread::id deliveredOn;
    auto observer =
        center.addObserver(kChanged, [&](const Notification &) { deliveredOn = std::this_thread::get_id(); });
    std::thread::id postedOn;
    std::thread worker([&] {
        postedOn = std::this_thread::get_id();
        center.post(kChanged);
    });
    worker.join();
    EXPECT_EQ(deliveredOn, postedOn);
    EXPECT_NE(deliveredOn, std::this_thread::get_id());
}

} // namespace
