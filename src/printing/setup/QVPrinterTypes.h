#pragma once
// Printer-type and label-type constants (each text is its own name), and the
// tags of the maker's five label stocks in the set-up window's stock choice.
#include "model/ClientServices.h" // QVPlainPaperLabel

#include <QString>
#include <QStringList>

// Printer types.
inline const QString QVPlainPaperPrinter = QStringLiteral("QVPlainPaperPrinter");
inline const QString QVKIVOTagwrightPrinter = QStringLiteral("QVKIVOTagwrightPrinter");
inline const QString QVZebra2844Printer = QStringLiteral("QVZebra2844Printer");

// Label types (QVPlainPaperLabel comes from the model).
inline const QString QVEPL2Label = QStringLiteral("QVEPL2Label");
inline const QString QVZPLIILabel = QStringLiteral("QVZPLIILabel");
inline const QString QVKIVO51207Label = QStringLiteral("QVKIVO51207Label");
inline const QString QVKIVO51204Label = QStringLiteral("QVKIVO51204Label");
inline const QString QVKIVO51203Label = QStringLiteral("QVKIVO51203Label");
inline const QString QVKIVO72019Label = QStringLiteral("QVKIVO72019Label");
inline const QString QVKIVO8836105Label = QStringLiteral("QVKIVO8836105Label");

// The maker's stocks in their fixed order; the index is the stock's tag.
inline const QStringList &kivoLabelTypes()
{
    static const QStringList types = {QVKIVO51207Label, QVKIVO51204Label, QVKIVO51203Label, QVKIVO72019Label,
                                      QVKIVO8836105Label};
    return types;
}

// The label type of a stock tag; a null string for a tag outside 0 to 4.
inline QString kivoLabelTypeForTag(int tag)
{
    return tag >= 0 && tag < kivoLabelTypes().size() ? kivoLabelTypes().at(tag) : QString();
}

// The tag of a maker's label type; -1 for any other text.
inline int kivoTagForLabelType(const QString &labelType) { return int(kivoLabelTypes().indexOf(labelType)); }

// Purpose keys of the plain-paper print settings.
inline const QString QVPlainPaperPrintInfoKey = QStringLiteral("plainPaperPrintInfo");
inline const QString QVEnvelopePrintInfoKey = QStringLiteral("envelopePrintInfo");
inline const QString QVFCMIPrintInfoKey = QStringLiteral("fcmiPrintInfo");
inline const QString QVGEMPrintInfoKey = QStringLiteral("gemPrintInfo");
inline const QString QVMailingRecordPaperInfoKey = QStringLiteral("mailingRecordPaperInfo");
