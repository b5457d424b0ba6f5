// GetSystemVersionBCD: the three components packed as binary-coded decimal,
// the packed fallback, the cache, and os-release's VERSION_ID on Linux.
#include "platform/SystemVersion.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>

namespace {

class ScriptedVersionSource : public SystemVersionSource
{
public:
    std::optional<uint32_t> major, minor, bugfix, packed;
    int asked = 0;
    std::optional<uint32_t> component(Component which) override
    {
        ++asked;
        return which == Component::Major ? major : which == Component::Minor ? minor : bugfix;
    }
    std::optional<uint32_t> packedVersion() override { return packed; }
};

struct SourceScope {
    std::shared_ptr<ScriptedVersionSource> source = std::make_shared<ScriptedVersionSource>();
    SourceScope() { setSystemVersionSource(source); }
    ~SourceScope() { setSystemVersionSource(nullptr); }
};

} // namespace

TEST(SystemVersion, ComponentsOrFallbackPackAsBCD)
{
    struct Case {
        std::optional<uint32_t> major, minor, bugfix, packed;
        uint32_t expected;
    };
    const Case cases[] = {
        {10, 6, 8, std::nullopt, 0x100608},
        {std::nullopt, 6, 8, 0x1068, 0x100608}, // one component failed: the packed value
        {10, 5, 8, 0x1234, 0x100508},
        {12, 0, 0, std::nullopt, 0x120000},
        {10, 10, 5, std::nullopt, 0x101005},
        {100, 0, 0, 0x1049, 0x100409}, // no room for three digits: the packed value
        {std::nullopt, std::nullopt, std::nullopt, std::nullopt, 0},
    };
    for (const Case &c : cases) {
        SourceScope scope;
        scope.source->major = c.major;
        scope.source->minor = c.minor;
        scope.source->bugfix = c.bugfix;
        scope.source->packed = c.packed;
        EXPECT_EQ(GetSystemVersionBCD(), c.expected) << std::hex << c.expected;
    }
}

TEST(SystemVersion, ComputedValueIsCachedAndFailureAnswersTheCache)
{
    SourceScope scope;
    scope.source->major = 10;
    scope.source->minor = 6;
    scope.source->bugfix = 8;
    EXPECT_EQ(GetSystemVersionBCD(), 0x100608u);
    const int asked = scope.source->asked;
    scope.source->major = 11;
    EXPECT_EQ(GetSystemVersionBCD(), 0x100608u);
    EXPECT_EQ(scope.source->asked, asked);
}

TEST(SystemVersion, OsReleaseVersionId)
{
    QTemporaryDir dir;
    struct Case {
        QByteArray content;
        uint32_t expected;
    };
    const Case cases[] = {
        {"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n", 0x120000},
        {"NAME=Ubuntu\nVERSION_ID=\"22.04\"\n", 0x220400},
        {"VERSION_ID=3.18.4\n", 0x031804},
        {"NAME=Arch\n", 0}, // no version: nothing to pack
        {"VERSION_ID=\"rolling\"\n", 0},
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(QStringLiteral("os-release"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.content);
        file.close();
        setSystemVersionSource(std::make_shared<OsReleaseVersionSource>(path));
        EXPECT_EQ(GetSystemVersionBCD(), c.expected) << c.content.toStdString();
    }
    setSystemVersionSource(nullptr);
}
