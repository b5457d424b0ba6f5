#pragma once
// The maker's Tagwright thermal label printers among the print queues, and
// the driver settings (print quality, density, roll) put into a print info
// before a label or a roll stamp is printed on one.
//
// A printer is known by its queue name; its model is the queue's
// make-and-model text, and every model test is a case-insensitive substring
// test on it. A queue whose make and model are unknown is no label printer.
//
// The driver settings are print settings of the print info; they reach the
// driver as options of the print job (PrintInfo::jobOptions()).
#include "platform/PrintInfo.h"
#include "platform/PrintSystem.h"

#include <QString>
#include <QStringList>

// The paper-tray (roll) texts stored in the label-printer settings.
inline const QString KIVOPaperTrayLeft = QStringLiteral("aLft");
inline const QString KIVOPaperTrayRight = QStringLiteral("aRgt");

class KIVONewTagwright
{
public:
    KIVONewTagwright() = delete;

    // The queue names of the maker's label printers, in the system's order:
    // model text with "KIVO" or "270", with "TAGWRIGHT", without "TAPE".
    static QStringList printerList();
    // The label printers that may print stamps: "KIVO" and "TAGWRIGHT"
    // without "TAPE", and one of "310 SWIFT", "360 SWIFT", "DUAL SWIFT",
    // "BIPLEX", "WIDE9" (or "310"/"360" when the account allows the plain
    // models, tw310ValidForKIVOStamps).
    static QStringList kivoStampsPrinterList();

    // The model text names the two-roll model / the wide model; a name that
    // is no queue answers false.
    static bool isDualSwift(const QString &queueName);
    static bool isDualSwift(const PrintQueue &queue);
    static bool isWIDE9(const QString &queueName);
    static bool isWIDE9(const PrintQueue &queue);
    static bool hasWIDE9();

    // A label printer is installed. Once one has been seen the answer stays
    // true for the life of the process.
    static bool printerAvailable();
    // For tests: forgets that a label printer was seen.
    static void resetAvailability();

    // Puts the driver settings into the print info's print settings (when it
    // has any) and answers the same print info with its printer kept:
    // "com.apple.print.PrintSettings.TWPrintQuality" 0, "KivoPrintQuality"
    // "Text", "com.apple.print.PrintSettings.TWPrintDarkness" the density,
    // "KivoPrintDensity" its name (0 "Light", 1 "Medium", 2 "Normal",
    // 3 "Dark", any other "Normal"), for a non-empty tray
    // "com.apple.print.PrintSettings.TWPaperSource" 2 and "InputSlot" "Right"
    // when it begins with "Right", else 1 and "Left", and "OutputOrder"
    // "Normal".
    static PrintInfo &printInfoForPrintInfo(PrintInfo &printInfo, const QString &tray, int density);

    // The name "KivoPrintDensity" gives a density.
    static QString densityName(int density);
};
