#pragma once
// The add-favorite sheet of the main window: a nickname field
// ("favNicknameBox"), the description of the settings the favorite will
// take ("favDescriptionText"), OK and Cancel. OK hands the nickname to the
// accept function, which stores the favorite or refuses it with an alert;
// a refused nickname leaves the sheet open with the field selected. The
// sheet is window-modal on its parent and deletes itself when it closes.
#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

class QVAddFavoriteSheet : public QDialog
{
public:
    // accept: true when the favorite was stored (the sheet closes).
    QVAddFavoriteSheet(const QString &description, std::function<bool(const QString &nickname)> accept,
                       QWidget *parent);

    QLineEdit *nicknameField() const { return m_nickname; }
    QLabel *descriptionText() const { return m_description; }
    QPushButton *okButton() const { return m_ok; }
    // The OK button's action.
    void okAddFavorite();

private:
    std::function<bool(const QString &)> m_accept;
    QLineEdit *m_nickname = nullptr;
    QLabel *m_description = nullptr;
    QPushButton *m_ok = nullptr;
};
