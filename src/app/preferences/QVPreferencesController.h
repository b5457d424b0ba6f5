#pragma once
// The preferences window on plain state. Every control writes its user
// default at once; the window follows changes made elsewhere (the
// user-defaults change notification re-reads every control).
//
// Controls and their keys:
//   check boxes (checkBox/setCheckBox): the keys of checkBoxKeys(); turning
//     "usePostage" off shows the information alert "usePostageReminder"
//     with its remind box; the date pane's "sundayWarning",
//     "saturdayWarning" and "holidayWarning" ask before a piece dated on a
//     Sunday, a Saturday or a USPS holiday is printed
//   radio groups and pop-ups (tag/setTag):
//     usePoundsForFirstClass, usePoundsForOtherClasses  tag 1 YES (pounds),
//         0 NO; a change posts "QVWeightUnitDefaultChanged" (object: the
//         controller)
//     confirmationServicesServer  tag 1 "usps", other tags "tolvane"; shown
//         as 1 exactly for "usps"
//     reformatZIP, uppercaseAddresses  tag 0 YES, 1 NO
//     abLabelFilter  0 home, 1 work, 2 other label, 99 all (key removed);
//         shown as 99 when empty or missing, unchanged for another text
//     abDisplayOrder  0 "FL", 1 "LF"; shown as 0 exactly for "FL"
//     abSortOrder     0 "F", 1 "L"; shown as 0 exactly for "F"
//   address fonts and colours ("toAddressFont", "fromAddressFont",
//     "toAddressColor", "fromAddressColor") in the stored form of
//     platform/ArchivedValues.h that the label layouts read; Helvetica 12 and
//     9 points and black when absent
//   line spacing ("toAddressLineSpacing"), custom fields ("topCustomField",
//     "bottomCustomField": the chosen item's title), e-mail subject and body,
//     return-address image, post-print script.
//
// The return-address image is saved as "returnGraphic.tiff" in the
// application-support folder and converted for thermal printers into
// "returnGraphic.epl2" ("GW14,360,<bytes per row>,<height>\n", the bitmap,
// "\n"), fitted inside 150 x 150 dots; "fromAddressImageZebraWidth" is the
// bitmap's width + 20.
//
// The post-print script must be an executable regular file: anything else
// is refused with an alert (a short and a full message) and nothing stored.
#include "app/preferences/QVImageConverting.h"
#include "platform/NotificationCenter.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class UserDefaults;

inline const QString QVWeightUnitDefaultChangedNotificationName = QStringLiteral("QVWeightUnitDefaultChanged");
inline const QString QVReturnGraphicTIFFName = QStringLiteral("returnGraphic.tiff");
inline const QString QVReturnGraphicEPL2Name = QStringLiteral("returnGraphic.epl2");

class QVPreferencesController
{
public:
    // Advanced and Date have no toolbar item (the General pane leads to
    // them).
    enum class Pane { General, Shipment, Mailpiece, Email, AddressBook, Favorites, Advanced, Date };
    enum class AddressFont { ToAddress, FromAddress };

    struct PaneItem {
        QString identifier;
        QString label;
        QString imageName;
        Pane pane;
        QString windowTitle; // empty: the title stays
    };

    // infoAlert: the application's information alert by key (with its
    // remind box); converter: makes the image converter.
    explicit QVPreferencesController(UserDefaults &defaults,
                                     std::function<int(const QString &key, bool remindBox)> infoAlert = {},
                                     QVImageConverterFactory converter = makeImageConverter);

    // Called after every change of the shown state (the view redraws).
    std::function<void()> stateChanged;

    // ---- Panes ------------------------------------------------------------------
    // The toolbar's items in order (the Advanced pane has none).
    static const QList<PaneItem> &toolbarItems();
    static const PaneItem &itemForPane(Pane pane);
    Pane currentPane() const { return m_pane; }
    // False (nothing changes) when the pane is already shown.
    bool switchToPane(Pane pane);
    // The window's new frame when content of `currentContentHeight` gives
    // way to a view of `newView`: same x, the view's width, the top edge in
    // place (y grows downwards).
    static QRect frameForPaneSwitch(const QRect &windowFrame, int currentContentHeight, const QSize &newView);

    // ---- State shown ------------------------------------------------------------
    static const QStringList &checkBoxKeys();
    static const QStringList &tagKeys();
    static const QStringList &customFieldItems();
    bool checkBox(const QString &key) const { return m_checks.value(key); }
    int tag(const QString &key) const { return m_tags.value(key); }
    QString fontName(AddressFont which) const;
    QFont font(AddressFont which) const;
    QColor color(AddressFont which) const;
    // The pop-up's selected title ("None" when nothing is stored).
    QString customField(bool top) const;
    QString emailSubject() const { return m_emailSubject; }
    QString emailBody() const { return m_emailBody; }
    QString scriptName() const { return m_scriptName; }
    // The stored line spacing of the delivery address (0 when none).
    double toAddressLineSpacing() const;
    // The stored return-address image (null when none or unreadable).
    QImage returnAddressImage() const;

    // ---- Readers ------------------------------------------------------------------
    void readFromDefaults();

    // ---- Actions ------------------------------------------------------------------
    // A check box or a tagged control changed (keys outside the lists are
    // ignored).
    void setCheckBox(const QString &key, bool on);
    void setTag(const QString &key, int tag);
    void resetReminderAlerts();
    void resetToDefaults();
    void changeCustomField(bool top, const QString &title);
    void changeToAddressLineSpacing(double spacing);
    void changeFont(AddressFont which, const QFont &font);
    void changeColor(AddressFont which, const QColor &color);
    void useReturnAddressImage(bool on);
    // The image taken into the well (from a drop or the open panel): false
    // when there is no image or a file cannot be written.
    bool imageDrop(const QImage &image);
    // Asks for an image file and takes it.
    void browseForImages();
    void emailSubjectChanged(const QString &subject);
    void emailBodyDidEndEditing(const QString &body);
    // Asks for the script (open panel) and takes it.
    void chooseScriptFile();
    // The script at the path: stored with useScriptPostProcess on when it
    // is an executable regular file; else an alert, false, nothing stored.
    bool takeScriptFile(const QString &path);
    void userChangedUseScript(bool on);

private:
    void changed();

    UserDefaults &m_defaults;
    std::function<int(const QString &, bool)> m_infoAlert;
    QVImageConverterFactory m_converter;
    NotificationObserver m_observer;
    Pane m_pane = Pane::General;
    QHash<QString, bool> m_checks;
    QHash<QString, int> m_tags;
    QString m_emailSubject;
    QString m_emailBody;
    QString m_scriptName;
};
