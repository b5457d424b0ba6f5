// Runs the table generator on small data files and checks what it accepts.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// Fixtures of this folder (tests/mailcategory/data).
QString fixture(const QString &name) { return QStringLiteral(TOLVANE_TEST_DATA_DIR "/") + name; }

struct GeneratorRun {
    int exitCode = -1;
    QString errors;
    QString output;
};

GeneratorRun runGenerator(const QString &dataFile)
{
    QTemporaryDir dir;
    const QString outPath = dir.filePath("table.cpp");
    QProcess process;
    process.start(QStringLiteral(TOLVANE_PYTHON3),
                  {QStringLiteral(TOLVANE_MAILCATEGORY_GENERATOR), fixture(dataFile), outPath});
    GeneratorRun run;
    if (!process.waitForFinished(30000))
        return run;
    run.exitCode = process.exitCode();
    run.errors = QString::fromUtf8(process.readAllStandardError());
    QFile out(outPath);
    if (out.open(QIODevice::ReadOnly))
        run.output = QString::fromUtf8(out.readAll());
    return run;
}

TEST(MailCategoryGenerator, FoldsZonesAndSortsBySignedKey)
{
    const GeneratorRun run = runGenerator("good.tsv");
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    // Zone 0 and zone 9 of one Priority Mail key become one entry at zone 0.
    EXPECT_EQ(run.output.count("0x31980000u"), 1);
    EXPECT_FALSE(run.output.contains("0x319c8000u"));
    // The negative Metro Post key sorts first; the codes of each column are kept.
    const qsizetype metro = run.output.indexOf("0x86240000u");
    const qsizetype firstClass = run.output.indexOf("0x12600000u), 1113, 1113, 1114}");
    const qsizetype priority = run.output.indexOf("0x31980000u), 7600, 7600, 7600}");
    ASSERT_GE(metro, 0);
    ASSERT_GE(firstClass, 0);
    ASSERT_GE(priority, 0);
    EXPECT_LT(metro, firstClass);
    EXPECT_LT(firstClass, priority);
}

TEST(MailCategoryGenerator, RejectsMalformedRowsNamingTheLine)
{
    struct Case {
        const char *file;
        const char *message;
    };
    const Case cases[] = {
        {"bad-zone.tsv", "zone 10 is out of range"},
        {"bad-conflict.tsv", "differ"},
        {"bad-code.tsv", "outside 1101-9101"},
        {"bad-group.tsv", "class group 4"},
        {"bad-low-bits.tsv", "low bits"},
        {"bad-fields.tsv", "three codes"},
        {"bad-price-group.tsv", "price group 31"},
        {"bad-number.tsv", "is not a number"},
        {"bad-empty.tsv", "no rows"},
        {"no-such-file.tsv", "No such file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const GeneratorRun run = runGenerator(c.file);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.errors.contains(QString::fromUtf8(c.message))) << run.errors.toStdString();
        EXPECT_TRUE(run.output.isEmpty());
    }
}

} // namespace
