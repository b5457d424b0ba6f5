#pragma once
// Helpers shared by the rate-engine tests.
#include "TestSupport.h"

#include <string>

namespace tolvane::test {

// A fixture of tests/rates/data as a path for the engine's C-string loaders.
inline std::string fixture(const char *name)
{
    return dataPath(QString::fromUtf8(name)).toStdString();
}

} // namespace tolvane::test
