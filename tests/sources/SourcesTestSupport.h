#pragma once
// Helpers shared by the address-source tests.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace tolvane::test {

// Writes the file whole (a fatal test failure when it cannot be written).
inline void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

} // namespace tolvane::test
