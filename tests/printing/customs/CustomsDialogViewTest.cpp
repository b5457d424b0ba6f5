// The customs sheet's Qt widgets over its controller: what the widgets show
// follows the controller's state, and edits and clicks reach it.
#include "CustomsTestSupport.h"

#include "ViewTestSupport.h"
#include "printing/customs/QVCustomsDialogView.h"
#include "printing/customs/QVCustomsItems.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace tolvane;

namespace {

class CustomsDialogViewTest : public CustomsTest
{
protected:
    // Types the text into a named field as a user would.
    static void type(QVCustomsDialogView &view, const QString &name, const QString &text)
    {
        QWidget *widget = view.fieldWidget(name);
        ASSERT_NE(widget, nullptr) << name.toStdString();
        QLineEdit *edit = qobject_cast<QLineEdit *>(widget);
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            edit = combo->lineEdit();
        edit->setText(text);
        emit edit->textEdited(text);
    }
    static QString shown(QVCustomsDialogView &view, const QString &name)
    {
        QWidget *widget = view.fieldWidget(name);
        if (auto *combo = qobject_cast<QComboBox *>(widget))
            return combo->currentText();
        return qobject_cast<QLineEdit *>(widget)->text();
    }
};

TEST_F(CustomsDialogViewTest, TheWidgetsFollowTheControllerAndReachIt)
{
    auto shipment = intlPiece(QVUSPSIntlFirstClassMailIntl);
    shipment->setObject(QVUSPSShipment2976FCMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    QVCustomsDialogView view(std::make_shared<QVCustomsDialogController>(shipment));
    view.resize(900, 640);
    view.show();
    EXPECT_EQ(view.objectName(), QStringLiteral("CustomsDialog"));
    view.grab().save(test::outputPath(QStringLiteral("customs-dialog.png")));

    QButtonGroup *forms = view.formGroup();
    EXPECT_EQ(forms->button(0)->text(), QStringLiteral("Form 2976 (CN 22)"));
    EXPECT_TRUE(forms->button(0)->isChecked());
    EXPECT_FALSE(forms->button(1)->isEnabled());
    EXPECT_TRUE(forms->button(2)->isEnabled());
    EXPECT_TRUE(view.contentGroup()->button(4)->isChecked()); // Merchandise

    type(view, QStringLiteral("qty1"), QStringLiteral("2"));
    type(view, QStringLiteral("value1"), QStringLiteral("30"));
    type(view, QStringLiteral("weight1"), QStringLiteral("8"));
    type(view, QStringLiteral("description1"), QStringLiteral("Mittens"));
    type(view, QStringLiteral("originCountry1"), QStringLiteral("usa"));
    EXPECT_TRUE(view.controller().controlTextShouldEndEditing(QStringLiteral("originCountry1")));
    EXPECT_EQ(shown(view, QStringLiteral("originCountry1")), QStringLiteral("United States"));
    type(view, QStringLiteral("iAgreeName"), QStringLiteral("Ada Lovelace"));
    view.findChild<QPushButton *>(QStringLiteral("okButton"))->click();
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    const QList<QVariantMap> items = customsItemList(*shipment);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.first().value(QVShipmentItemDescriptionKey).toString(), QStringLiteral("Mittens"));
    EXPECT_EQ(items.first().value(QVShipmentItemWeightNumberKey).toString(), QStringLiteral("8"));
    EXPECT_EQ(host->closes, 1);

    // None closes the rows.
    forms->button(2)->click();
    EXPECT_FALSE(view.fieldWidget(QStringLiteral("qty1"))->isEnabled());
    EXPECT_EQ(shown(view, QStringLiteral("value1")), QStringLiteral("0"));
    EXPECT_EQ(shown(view, QStringLiteral("description1")), QString());
    EXPECT_FALSE(view.contentGroup()->button(0)->isEnabled());
    view.grab().save(test::outputPath(QStringLiteral("customs-dialog-none.png")));

    // Cancel closes the sheet without saving.
    forms->button(0)->click();
    type(view, QStringLiteral("description1"), QStringLiteral("Changed"));
    view.findChild<QPushButton *>(QStringLiteral("cancelButton"))->click();
    EXPECT_EQ(host->closes, 2);
    EXPECT_EQ(customsItemList(*shipment).first().value(QVShipmentItemDescriptionKey).toString(),
              QStringLiteral("Mittens"));
}

TEST_F(CustomsDialogViewTest, AnUnknownCountryKeepsTheFocusInItsBox)
{
    auto shipment = intlPiece(QVUSPSIntlFirstClassMailIntl);
    shipment->setObject(QVUSPSShipment2976FCMICustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
    QVCustomsDialogView view(std::make_shared<QVCustomsDialogController>(shipment));
    view.show();
    type(view, QStringLiteral("originCountry3"), QStringLiteral("Atlantis"));
    EXPECT_FALSE(view.controller().controlTextShouldEndEditing(QStringLiteral("originCountry3")));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Invalid Country"));
    auto *box = qobject_cast<QComboBox *>(view.fieldWidget(QStringLiteral("originCountry3")));
    EXPECT_TRUE(view.focusWidget() == box || view.focusWidget() == box->lineEdit());
    // The focus is not pulled back there by later changes.
    view.fieldWidget(QStringLiteral("description1"))->setFocus();
    view.controller().changedContentType(1);
    EXPECT_EQ(view.focusWidget(), view.fieldWidget(QStringLiteral("description1")));
    // A typed prefix completes.
    type(view, QStringLiteral("originCountry2"), QStringLiteral("Fra"));
    EXPECT_EQ(shown(view, QStringLiteral("originCountry2")), QStringLiteral("France"));
}

} // namespace
