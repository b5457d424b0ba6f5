#include "printing/layouts/QVTemplateFields.h"

#include "barcodes/imaging/QVTextField.h"
#include "model/TemplateSubstitution.h"

namespace tolvane {

namespace {

// The property that keeps a text field's template once it has been filled.
const char *const kTemplateProperty = "layoutTemplate";

} // namespace

void fillTemplateFields(const QVariantMap &values, QWidget *view, bool trimmed)
{
    if (!view)
        return;
    for (QObject *child : view->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (!widget)
            continue;
        if (auto *field = qobject_cast<QVTextField *>(widget)) {
            QVariant stored = field->property(kTemplateProperty);
            if (!stored.isValid()) {
                stored = field->text();
                field->setProperty(kTemplateProperty, stored);
            }
            const QString text = stringByReplacingKeysInDictionary(stored.toString(), values, QStringLiteral("<%"),
                                                                   QStringLiteral("%>"), true);
            field->setText(trimmed ? text.trimmed() : text);
        }
        if (!widget->children().isEmpty())
            fillTemplateFields(values, widget, trimmed);
    }
}

} // namespace tolvane
