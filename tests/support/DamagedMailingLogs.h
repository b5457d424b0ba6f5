#pragma once
// Mailing-log files that cannot be read as a log: bytes that are no property
// list, a dictionary where the list of entries belongs, nesting far deeper
// than any reader follows, and a document type that declares entities. The
// program must start over each, leave it byte for byte as it is, and print
// no paid piece while it is there.
#include <QByteArray>
#include <QList>
#include <QString>

namespace tolvane::test {

struct DamagedMailingLog {
    QString name;
    QByteArray content;
};

inline QList<DamagedMailingLog> damagedMailingLogs()
{
    // Bytes of a fixed linear congruential sequence: the same "random"
    // file on every run.
    QByteArray random;
    quint32 state = 12345;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1103515245u + 12345u;
        random.append(char(state >> 24));
    }
    const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    QByteArray deep = head + "<plist version=\"1.0\">";
    for (int i = 0; i < 100000; ++i)
        deep += "<array>";
    for (int i = 0; i < 100000; ++i)
        deep += "</array>";
    deep += "</plist>";
    return {
        {QStringLiteral("random bytes"), random},
        {QStringLiteral("dictionary root"),
         head + "<plist version=\"1.0\"><dict><key>ShipDate</key><string>today</string></dict></plist>"},
        {QStringLiteral("deep nesting"), deep},
        {QStringLiteral("document type with entities"),
         head +
             "<!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;\">"
             "<!ENTITY c SYSTEM \"file:///etc/passwd\">]>"
             "<plist version=\"1.0\"><array><dict><key>Name</key><string>&b;&c;</string></dict></array></plist>"},
    };
}

} // namespace tolvane::test
