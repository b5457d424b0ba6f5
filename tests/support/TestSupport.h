#pragma once
// Shared helpers of the test executables.
#include <QString>

namespace tolvane::test {

// Folder of the running test executable's fixtures (tests/<folder>/data).
QString dataPath(const QString &name);

// The temporary folder that stands in for the application-support folder
// during this test run (also in the environment as TOLVANE_SUPPORT_DIR).
QString supportDir();

} // namespace tolvane::test
