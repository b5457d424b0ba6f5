#pragma once
// The stamps-only edition's preferences and about box, on plain state.
//
// KIVOPreferencesController edits the postage account's sign-in (account
// number, pass phrase, keep the pass phrase) and the low-balance reminder
// (the check box is the opposite of "kivoStampsThresholdReminder"; the
// threshold's tag is kept as decimal text in "kivoStampsThreshold"). OK
// verifies the account with the postage server only when the account
// number or the pass phrase changed, or keeping the pass phrase was just
// switched on; otherwise it stores the threshold settings and closes, with
// no server call. A refused verification is an alert and the window stays
// with the fields as typed. A new account (status "V") gets the forced
// change-pass-phrase sheet of the account panels on this window, and the
// threshold is not stored.
//
// KIVOAboutBoxController: one about box at a time. showWindow() brings the
// open one to the front or makes a new one; closing it forgets it.
#include <QString>

#include <functional>
#include <memory>

class QVRHOCommandCenter;
class TolvaneGUIController;

struct KIVOThresholdItem {
    QString title;
    int tag = 0;
};

struct KIVOPreferencesState {
    QString accountNumber;
    QString passPhrase;
    bool savePassPhrase = false;
    bool thresholdReminderBox = false;
    int selectedThreshold = 0; // an index into thresholdItems()
    bool open = false;
};

class KIVOPreferencesView
{
public:
    virtual ~KIVOPreferencesView() = default;
    virtual void stateChanged() {}
    // Centres the window and runs it modally (returns when it closes).
    virtual void runModal() {}
    virtual void close() {}
};

inline const QString KIVOStampsThresholdReminderKey = QStringLiteral("kivoStampsThresholdReminder");
inline const QString KIVOStampsThresholdKey = QStringLiteral("kivoStampsThreshold");

class KIVOPreferencesController
{
public:
    explicit KIVOPreferencesController(TolvaneGUIController &panels);

    // The threshold pop-up: the balance, in dollars, below which the
    // reminder is shown.
    static const QList<KIVOThresholdItem> &thresholdItems();

    void setView(KIVOPreferencesView *view) { m_view = view; }
    KIVOPreferencesState &state() { return m_state; }

    void showWindow();
    void ok();
    void setThresholdSettings();
    void windowWillClose();

private:
    void changed();
    void close();

    TolvaneGUIController &m_panels;
    std::shared_ptr<QVRHOCommandCenter> m_ec;
    KIVOPreferencesView *m_view = nullptr;
    KIVOPreferencesState m_state;
};

struct KIVOAboutBoxState {
    QString versionField;
    QString productName = QStringLiteral("Kivo Stamps\nPowered by Tolvane");
    QString imageName = QStringLiteral("ks_wizard2");
    bool open = false;
};

class KIVOAboutBoxView
{
public:
    virtual ~KIVOAboutBoxView() = default;
    virtual void show(const KIVOAboutBoxState &state) { (void)state; }
    virtual void bringToFront() {}
};

class KIVOAboutBoxController
{
public:
    // Makes the view of a new about box (none registered: no window, the
    // state alone).
    using ViewFactory = std::function<std::unique_ptr<KIVOAboutBoxView>(KIVOAboutBoxController &)>;
    static void setViewFactory(ViewFactory factory);

    // The open about box to the front, or a new one.
    static void showWindow();
    // The about box open now (nullptr: none).
    static KIVOAboutBoxController *current();

    // "<short version> (<build number>)".
    static QString versionString();

    const KIVOAboutBoxState &state() const { return m_state; }
    void windowDidLoad();
    // Its window closes: the controller is released.
    void windowWillClose();

    KIVOAboutBoxController() = default;
    ~KIVOAboutBoxController();

private:
    KIVOAboutBoxState m_state;
    std::unique_ptr<KIVOAboutBoxView> m_view;
};
