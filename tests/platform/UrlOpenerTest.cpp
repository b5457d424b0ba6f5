// openUrlText: a URL given as text reaches the registered opener exactly as
// written (a QUrl would lowercase the host, where the program's own URLs
// name their command); text that is no URL reaches no opener. An opener that
// knows no text road is given the text as a QUrl.
#include "platform/UrlOpener.h"

#include "RecordingUrlOpener.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

TEST(UrlOpenerText, TheTextReachesTheOpenerAsWrittenOrNotAtAll)
{
    UrlOpenerScope scope;
    const QString url = QStringLiteral("tolvane://newShipment2?ToAddress=Ann%0A1%20Main%20St;ToEMail=;ToPhone=");
    EXPECT_TRUE(openUrlText(url));
    for (const QString &text : {QString(), QStringLiteral("tolvane://new Shipment2?a=1"), QStringLiteral("%zz")})
        EXPECT_FALSE(openUrlText(text)) << text.toStdString();
    EXPECT_EQ(scope->openedTexts, QStringList{url});
    EXPECT_TRUE(scope->opened.isEmpty());
}

TEST(UrlOpenerText, AnOpenerWithoutATextRoadGetsAQUrl)
{
    class UrlOnlyOpener final : public UrlOpener
    {
    public:
        QList<QUrl> opened;
        bool openUrl(const QUrl &url, bool) override
        {
            opened << url;
            return true;
        }
    };
    auto opener = std::make_shared<UrlOnlyOpener>();
    setUrlOpener(opener);
    EXPECT_TRUE(openUrlText(QStringLiteral("https://example.com/a?b=c")));
    setUrlOpener(nullptr);
    EXPECT_EQ(opener->opened, QList<QUrl>{QUrl(QStringLiteral("https://example.com/a?b=c"))});
}

} // namespace
