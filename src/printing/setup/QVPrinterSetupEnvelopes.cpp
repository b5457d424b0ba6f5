// The set-up window's envelope tab: the check boxes and the four choices of
// the envelope feed, and the picture of the envelope in the feed.
#include "printing/setup/QVPrinterSetupController.h"

#include "platform/UserDefaults.h"

namespace {

const QString kPrintReturnAddress = QStringLiteral("envelopePrintReturnAddress");
const QString kGiantRotate = QStringLiteral("envelopeGiantRotate");
const QString kAlignPostageLeft = QStringLiteral("envelopeAlignPostageLeft");
const QString kFacing = QStringLiteral("envelopeFacing");
const QString kTrayLocation = QStringLiteral("envelopeTrayLocation");
const QString kDirection = QStringLiteral("envelopeDirection");
const QString kFeed = QStringLiteral("envelopeFeed");

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

// The word of a choice's tag in the picture's name; nothing for a tag
// outside the list.
QString word(const QStringList &words, int tag) { return tag >= 0 && tag < words.size() ? words.at(tag) : QString(); }

} // namespace

QString QVPrinterSetupController::envelopePictureName(int feed, int direction, int facing, int tray,
                                                      bool printReturnAddress)
{
    QString name = word({QStringLiteral("left"), QStringLiteral("center"), QStringLiteral("right")}, feed) +
        QLatin1Char('-') + word({QStringLiteral("lef"), QStringLiteral("ref")}, direction) + QLatin1Char('-') +
        word({QStringLiteral("up"), QStringLiteral("down")}, facing) + QLatin1Char('-') +
        word({QStringLiteral("top"), QStringLiteral("front")}, tray);
    // Facing up without a return address shows the plain envelope.
    if (facing == 0 && !printReturnAddress)
        name += QStringLiteral("-noreturn");
    return name;
}

void QVPrinterSetupController::refreshEnvelopeControls()
{
    QVPrinterSetupControls &c = m_controls;
    c.envelopePrintReturnAddress = defaults().boolForKey(kPrintReturnAddress);
    c.envelopeGiantRotate = defaults().boolForKey(kGiantRotate);
    c.envelopeAlignPostageLeft = defaults().boolForKey(kAlignPostageLeft);
    c.envelopeFacing = int(defaults().integerForKey(kFacing));
    c.envelopeTrayLocation = int(defaults().integerForKey(kTrayLocation));
    c.envelopeDirection = int(defaults().integerForKey(kDirection));
    c.envelopeFeed = int(defaults().integerForKey(kFeed));
    c.envelopePictureName = envelopePictureName(c.envelopeFeed, c.envelopeDirection, c.envelopeFacing,
                                                c.envelopeTrayLocation, c.envelopePrintReturnAddress);
}

void QVPrinterSetupController::setEnvelopePrintReturnAddress(bool on)
{
    defaults().setBool(on, kPrintReturnAddress);
    refreshControls();
}

void QVPrinterSetupController::setEnvelopeGiantRotate(bool on)
{
    defaults().setBool(on, kGiantRotate);
    refreshControls();
}

void QVPrinterSetupController::setEnvelopeAlignPostageLeft(bool on)
{
    defaults().setBool(on, kAlignPostageLeft);
    refreshControls();
}

void QVPrinterSetupController::setEnvelopeInteger(const QString &key, int tag)
{
    defaults().setInteger(tag, key);
    refreshControls();
}

void QVPrinterSetupController::setEnvelopeFacing(int tag) { setEnvelopeInteger(kFacing, tag); }
void QVPrinterSetupController::setEnvelopeTrayLocation(int tag) { setEnvelopeInteger(kTrayLocation, tag); }
void QVPrinterSetupController::setEnvelopeDirection(int tag) { setEnvelopeInteger(kDirection, tag); }
void QVPrinterSetupController::setEnvelopeFeed(int tag) { setEnvelopeInteger(kFeed, tag); }

void QVPrinterSetupController::showEnvelopeSetup()
{
    m_controls.selectedTab = QStringLiteral("2");
    emit controlsChanged();
    emit windowShouldShow();
}

void QVPrinterSetupController::selectTab(const QString &tab)
{
    m_controls.selectedTab = tab;
    emit controlsChanged();
}
