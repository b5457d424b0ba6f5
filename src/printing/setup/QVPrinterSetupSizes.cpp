// The set-up window's envelope and postcard size menus and the user's custom
// envelope sizes (the user default "envelopeSizes").
#include "printing/setup/QVPrinterSetupController.h"

#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "printing/layouts/QVEnvelopeSizes.h"

#include <cmath>

using tolvane::QVEnvelopeSize;
using tolvane::QVEnvelopeSizes;

namespace {

// The limits of a mailpiece, in inches.
constexpr double kMinimumHeight = 3.5;
constexpr double kMinimumWidth = 5;
constexpr double kMaximumHeight = 6.125;
constexpr double kMaximumWidth = 11;

// The built-in size selected when no custom size is left.
constexpr int kFallbackEnvelopeTag = QVEnvelopeSizes::kBuiltinTagBase + 1;

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

QList<QVSetupMenuItem> sizeItems(const QVariantList &entries, int tagBase)
{
    QList<QVSetupMenuItem> items;
    for (int index = 0; index < entries.size(); ++index)
        items.append(
            {QVEnvelopeSizes::menuTitle(QVEnvelopeSizes::entryFromVariant(entries.at(index))), tagBase + index});
    return items;
}

// A field's number as the user typed it; text that is no number counts as 0.
double fieldNumber(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

void storeCustomSizes(const QVariantList &sizes) { defaults().setObject(sizes, tolvane::QVEnvelopeSizesKey); }

} // namespace

void QVPrinterSetupController::buildSizeMenus()
{
    QVPrinterSetupControls &c = m_controls;
    c.selectedPostcardTag = int(defaults().integerForKey(tolvane::QVSelectedPostcardSizeKey));
    c.postcardMenu = sizeItems(QVEnvelopeSizes::builtinPostcardSizes(), QVEnvelopeSizes::kBuiltinTagBase);

    c.selectedEnvelopeTag = int(defaults().integerForKey(tolvane::QVSelectedEnvelopeSizeKey));
    const QVariantList custom = QVEnvelopeSizes::customEnvelopeSizes();
    c.envelopeMenu = sizeItems(QVEnvelopeSizes::builtinEnvelopeSizes(), QVEnvelopeSizes::kBuiltinTagBase);
    if (!custom.isEmpty()) {
        c.envelopeMenu.append({QString(), 0, true, true});
        c.envelopeMenu.append(sizeItems(custom, QVEnvelopeSizes::kCustomTagBase));
    }
    // The size commands.
    c.envelopeMenu.append({QString(), 0, true, true});
    c.envelopeMenu.append({QStringLiteral("Add Custom Size…"), AddSizeCommand});
    c.envelopeMenu.append({QStringLiteral("Edit Current Size…"), EditSizeCommand});
    c.envelopeMenu.append({QStringLiteral("Delete Current Size"), DeleteSizeCommand,
                           c.selectedEnvelopeTag >= QVEnvelopeSizes::kCustomTagBase});
    c.envelopeMenu.append({QStringLiteral("Clear List"), ClearListCommand, !custom.isEmpty()});
}

void QVPrinterSetupController::choosePostcardSize(int tag)
{
    defaults().setInteger(tag, tolvane::QVSelectedPostcardSizeKey);
    refreshControls();
}

void QVPrinterSetupController::chooseEnvelopeMenuItem(int tag)
{
    switch (tag) {
    case AddSizeCommand:
        addEnvelopeSize();
        break;
    case EditSizeCommand:
        editEnvelopeSize();
        break;
    case DeleteSizeCommand:
        deleteEnvelopeSize();
        break;
    case ClearListCommand:
        clearEnvelopeSizes();
        break;
    default:
        if (tag >= QVEnvelopeSizes::kBuiltinTagBase)
            defaults().setInteger(tag, tolvane::QVSelectedEnvelopeSizeKey);
        break;
    }
    refreshControls();
}

void QVPrinterSetupController::addEnvelopeSize()
{
    QVEnvelopeSizeSheet &sheet = m_controls.sizeSheet;
    sheet = QVEnvelopeSizeSheet();
    sheet.mode = QVEnvelopeSizeSheet::Mode::Add;
    sheet.width = QStringLiteral("5");
    sheet.height = QStringLiteral("3.5");
    sheet.focusField = QStringLiteral("name");
    sheet.open = true;
}

void QVPrinterSetupController::editEnvelopeSize()
{
    const int tag = int(defaults().integerForKey(tolvane::QVSelectedEnvelopeSizeKey));
    const QVariantList builtin = QVEnvelopeSizes::builtinEnvelopeSizes();
    const QVariantList custom = QVEnvelopeSizes::customEnvelopeSizes();
    const QVEnvelopeSize entry = QVEnvelopeSizes::entryForTag(tag, builtin, custom);
    if (entry.isNull())
        return;
    QVEnvelopeSizeSheet &sheet = m_controls.sizeSheet;
    sheet = QVEnvelopeSizeSheet();
    sheet.mode = QVEnvelopeSizeSheet::Mode::Edit;
    if (tag >= QVEnvelopeSizes::kCustomTagBase) {
        sheet.customIndex = tag - QVEnvelopeSizes::kCustomTagBase;
        sheet.name = entry.name;
    } else {
        // A built-in size is edited as a copy.
        sheet.name = entry.name + QStringLiteral(" copy");
    }
    sheet.width = QVEnvelopeSizes::plainDecimal(entry.size.width());
    sheet.height = QVEnvelopeSizes::plainDecimal(entry.size.height());
    sheet.focusField = QStringLiteral("height");
    sheet.open = true;
}

bool QVPrinterSetupController::sizeSheetOK()
{
    QVEnvelopeSizeSheet &sheet = m_controls.sizeSheet;
    const double width = fieldNumber(sheet.width);
    const double height = fieldNumber(sheet.height);
    if (sheet.name.isEmpty()) {
        showAlert(QStringLiteral("Empty Nickname"), QStringLiteral("Please enter a name for this envelope size."));
        return false;
    }
    if (height < kMinimumHeight || width < kMinimumWidth) {
        showAlert(QStringLiteral("Your Custom Size Too Small"),
                  QStringLiteral("The minimum mailpiece size is 3.5\" high x 5\" wide."));
        return false;
    }
    if (height > kMaximumHeight || width > kMaximumWidth) {
        showAlert(QStringLiteral("Your Custom Size Too Big"),
                  QStringLiteral("The maximum mailpiece size is 6.125\" high x 11\" wide."));
        return false;
    }
    QVariantList custom = QVEnvelopeSizes::customEnvelopeSizes();
    const QVariantMap entry = QVEnvelopeSizes::entry(sheet.name, QSizeF(width, height));
    if (sheet.customIndex >= 0 && sheet.customIndex < custom.size()) {
        custom[sheet.customIndex] = entry;
    } else {
        custom.append(entry);
        defaults().setInteger(QVEnvelopeSizes::kCustomTagBase - 1 + custom.size(), tolvane::QVSelectedEnvelopeSizeKey);
    }
    storeCustomSizes(custom);
    sheet.open = false;
    refreshControls();
    return true;
}

void QVPrinterSetupController::deleteEnvelopeSize()
{
    const int tag = int(defaults().integerForKey(tolvane::QVSelectedEnvelopeSizeKey));
    QVariantList custom = QVEnvelopeSizes::customEnvelopeSizes();
    const int index = tag - QVEnvelopeSizes::kCustomTagBase;
    if (index < 0 || index >= custom.size())
        return;
    Alert alert;
    alert.messageText = QStringLiteral("Are you sure you want to delete the current envelope?");
    alert.informativeText = QStringLiteral("You will lose the custom envelope named %1.")
                                .arg(QVEnvelopeSizes::entryFromVariant(custom.at(index)).name);
    alert.buttons = {{QStringLiteral("Delete"), 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    if (runAlert(alert) != 1)
        return;
    custom.removeAt(index);
    // The previous custom size, or the second built-in one when the first
    // custom size went (or none is left).
    const int selected = index > 0 && !custom.isEmpty() ? tag - 1 : kFallbackEnvelopeTag;
    defaults().setInteger(selected, tolvane::QVSelectedEnvelopeSizeKey);
    storeCustomSizes(custom);
    refreshControls();
}

void QVPrinterSetupController::clearEnvelopeSizes()
{
    // A custom size selected goes with the list.
    if (defaults().integerForKey(tolvane::QVSelectedEnvelopeSizeKey) >= QVEnvelopeSizes::kCustomTagBase)
        defaults().setInteger(kFallbackEnvelopeTag, tolvane::QVSelectedEnvelopeSizeKey);
    defaults().removeObjectForKey(tolvane::QVEnvelopeSizesKey);
    refreshControls();
}
