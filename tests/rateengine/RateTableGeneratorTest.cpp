// The generator that compiles the rate data files refuses malformed files,
// so that a damaged price list stops the build instead of shipping wrong
// prices.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <sys/wait.h>
#include <string>

namespace {

struct Generated {
    int exitCode = -1;
    QByteArray source;
};

Generated generate(const QByteArray &dataFile, const QString &name = QStringLiteral("Sample"))
{
    QTemporaryDir dir;
    const QString data = dir.filePath(name + QStringLiteral(".rates"));
    QFile f(data);
    f.open(QIODevice::WriteOnly);
    f.write(dataFile);
    f.close();
    const QString out = dir.filePath(QStringLiteral("out.cpp"));
    const std::string command = std::string("python3 \"") + TOLVANE_SOURCE_DIR +
        "/src/rateengine/tools/gen_rate_tables.py\" --out \"" + out.toStdString() + "\" \"" + data.toStdString() +
        "\" 2>/dev/null";
    Generated g;
    const int status = std::system(command.c_str());
    g.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    QFile o(out);
    if (o.open(QIODevice::ReadOnly))
        g.source = o.readAll();
    return g;
}

TEST(RateTableGenerator, CompilesAWellFormedFile)
{
    const Generated g = generate("# comment\nform ZonedRows 3\n16 100 ?  # one unknown\n0 0 0\n");
    ASSERT_EQ(g.exitCode, 0);
    EXPECT_TRUE(g.source.contains("const int32_t a_Sample[6]"));
    EXPECT_TRUE(g.source.contains("16, 100, 0,"));
    EXPECT_TRUE(g.source.contains("{\"Sample\", a_Sample, 6, 3, RateRowForm::ZonedRows, 1}"));
}

TEST(RateTableGenerator, RefusesMalformedFiles)
{
    const char *bad[] = {
        "16 100\n",                       // no form line
        "form ZonedRows 3\n16 100\n",     // rows not filled
        "form Zoned 3\n16 100 200\n",     // unknown form
        "form ZonedRows 0\n16\n",         // width 0
        "form ZonedRows 3\n16 1O0 200\n", // not a number
        "form ZonedRows 1\n4294967296\n", // not an int32
        "form ZonedRows 1\n",             // no words
        "form SingleValue 1\nform SingleValue 1\n5\n",
    };
    for (const char *text : bad)
        EXPECT_NE(generate(text).exitCode, 0) << text;
    EXPECT_NE(generate("form SingleValue 1\n5\n", QStringLiteral("bad-name")).exitCode, 0);
}

} // namespace
