#include "app/preferences/QVAddFavoriteSheet.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

QVAddFavoriteSheet::QVAddFavoriteSheet(const QString &description, std::function<bool(const QString &)> accept,
                                       QWidget *parent)
    : QDialog(parent), m_accept(std::move(accept))
{
    setObjectName(QStringLiteral("favPanel"));
    setWindowTitle(QStringLiteral("Add Favorite"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);

    auto *intro = new QLabel(QStringLiteral("Save the current mailpiece settings as a favorite."), this);
    m_nickname = new QLineEdit(this);
    m_nickname->setObjectName(QStringLiteral("favNicknameBox"));
    m_nickname->setMinimumWidth(260);
    m_description = new QLabel(description, this);
    m_description->setObjectName(QStringLiteral("favDescriptionText"));
    m_description->setWordWrap(true);
    m_description->setMinimumWidth(260);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_description->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { okAddFavorite(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Nickname:"), m_nickname);
    form->addRow(QStringLiteral("Settings:"), m_description);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_nickname->setFocus();
}

void QVAddFavoriteSheet::okAddFavorite()
{
    if (m_accept && m_accept(m_nickname->text())) {
        accept();
        return;
    }
    m_nickname->setFocus();
    m_nickname->selectAll();
}
