#pragma once
// Shared helpers of the test executables.
#include <QString>

#include <string>

namespace tolvane::test {

// A fixture of the running test executable (tests/<folder>/data/<name>).
// Inline so that it sees the test executable's own TOLVANE_TEST_DATA_DIR.
inline QString dataPath(const QString &name)
{
#ifdef TOLVANE_TEST_DATA_DIR
    return QStringLiteral(TOLVANE_TEST_DATA_DIR "/") + name;
#else
    return name;
#endif
}

// The same fixture as a path for the C-string loaders of the rate engine.
inline std::string fixture(const char *name) { return dataPath(QString::fromUtf8(name)).toStdString(); }

// The temporary folder that stands in for the application-support folder
// during this test run (also in the environment as TOLVANE_SUPPORT_DIR).
QString supportDir();

} // namespace tolvane::test
