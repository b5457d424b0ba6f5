#include "app/windows/QVIntlFloaterController.h"

#include "model/QVAddress.h"
#include "model/QVCountry.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include <QComboBox>
#include <QHideEvent>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

const QString kCountryNotification = QStringLiteral("QVDidValidateInternationalAddressNotification");

std::unique_ptr<QVIntlFloaterController> &shared()
{
    static std::unique_ptr<QVIntlFloaterController> floater;
    return floater;
}

bool &firstShowDone()
{
    static bool done = false;
    return done;
}

// The floating window: a country pop-up, a topic pop-up and the text.
class FloaterWindow : public QWidget
{
public:
    explicit FloaterWindow(QVIntlFloaterController &controller)
        : QWidget(nullptr, Qt::Tool), m_controller(controller), m_countries(new QComboBox(this)),
          m_fields(new QComboBox(this)), m_text(new QTextBrowser(this))
    {
        setWindowTitle(QStringLiteral("International Information"));
        m_countries->addItems(QVCountry::displayNames());
        for (qsizetype i = 0; i < QVIntlFloaterController::fieldTags().size(); ++i)
            m_fields->addItem(QVIntlFloaterController::fieldTags().at(i), int(i));
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(m_countries);
        layout->addWidget(m_fields);
        layout->addWidget(m_text);
        resize(380, 420);
        connect(m_countries, &QComboBox::activated, this,
                [this](int index) { m_controller.countryChange(m_countries->itemText(index)); });
        connect(m_fields, &QComboBox::activated, this,
                [this](int index) { m_controller.fieldChange(m_fields->itemData(index).toInt()); });
    }

    void showState()
    {
        const int country = m_countries->findText(m_controller.selectedCountryTitle());
        if (country >= 0)
            m_countries->setCurrentIndex(country);
        m_fields->setCurrentIndex(m_fields->findData(m_controller.selectedField()));
        m_text->setPlainText(m_controller.text());
    }

protected:
    void hideEvent(QHideEvent *event) override
    {
        QWidget::hideEvent(event);
        if (!event->spontaneous())
            m_controller.windowDidHide();
    }

private:
    QVIntlFloaterController &m_controller;
    QComboBox *m_countries;
    QComboBox *m_fields;
    QTextBrowser *m_text;
};

QString replyText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QVariantMap || value.typeId() == QMetaType::QVariantList)
        return QString();
    return value.toString();
}

} // namespace

QVIntlFloaterController::QVIntlFloaterController()
{
    m_observer = NotificationCenter::defaultCenter().addObserver(kCountryNotification, [this](const Notification &n) {
        const QVariant country = n.userInfo.value(QStringLiteral("country"));
        viewCountry(country.isValid() ? std::optional<QString>(country.toString()) : std::nullopt);
    });
}

QVIntlFloaterController::~QVIntlFloaterController() { delete m_window.data(); }

QVIntlFloaterController &QVIntlFloaterController::intlFloater()
{
    if (!shared())
        shared() = std::make_unique<QVIntlFloaterController>();
    return *shared();
}

void QVIntlFloaterController::resetForTesting()
{
    shared().reset();
    firstShowDone() = false;
}

const QStringList &QVIntlFloaterController::fieldTags()
{
    static const QStringList tags = {QStringLiteral("Prohibitions"), QStringLiteral("Restrictions"),
                                     QStringLiteral("Observations"), QStringLiteral("CustomsForms"),
                                     QStringLiteral("ExpressMail")};
    return tags;
}

void QVIntlFloaterController::windowDidLoad()
{
    m_loaded = true;
    m_text.clear();
    if (!m_country.isEmpty())
        m_countryTitle = capitalizedWords(m_country);
    m_window = new FloaterWindow(*this);
}

void QVIntlFloaterController::showWindow()
{
    if (!m_loaded)
        windowDidLoad();
    m_visible = true;
    if (m_window) {
        updateWindow();
        m_window->show();
        m_window->raise();
    }
    if (firstShowDone() && !m_reply)
        syncCountry();
    firstShowDone() = true;
}

void QVIntlFloaterController::windowDidHide() { m_visible = false; }

void QVIntlFloaterController::viewCountry(const std::optional<QString> &country)
{
    if (!country)
        return;
    const std::optional<QVCountry> known = QVCountry::countryWithAnyName(*country);
    const QString name = (known ? known->rateName() : *country).toUpper();
    if (name == m_country)
        return;
    m_country = name;
    m_reply.reset();
    if (m_loaded && m_visible)
        syncCountry();
}

void QVIntlFloaterController::countryChange(const QString &title) { viewCountry(title); }

void QVIntlFloaterController::showField(const QString &topic)
{
    const qsizetype tag = fieldTags().indexOf(topic);
    if (tag < 0)
        return;
    m_field = int(tag);
    fieldChange(m_field);
}

void QVIntlFloaterController::fieldChange(int tag)
{
    if (tag >= 0 && tag < fieldTags().size())
        m_field = tag;
    if (m_reply)
        m_text = replyText(m_reply->value(fieldTags().at(m_field)));
    updateWindow();
}

void QVIntlFloaterController::syncCountry()
{
    const QString country = capitalizedWords(m_country);
    m_countryTitle = country;
    if (showProgress)
        showProgress(QStringLiteral("Waiting For Response…"));
    const std::shared_ptr<QVUSPSCommandCenter> client = QVUSPSCommandCenter::commandCenter();
    const std::optional<QVariantMap> reply =
        client->internationalRateResponseForCountry(country, 1, QVUSPSIntlEnvelopeSize);
    if (hideProgress)
        hideProgress();
    const QVariant package =
        reply ? reply->value(QStringLiteral("IntlRateResponse")).toMap().value(QStringLiteral("Package")) : QVariant();
    if (package.typeId() == QMetaType::QVariantMap && !package.toMap().contains(QStringLiteral("Error"))) {
        m_reply = package.toMap();
    } else if (package.typeId() == QMetaType::QVariantMap) {
        m_reply.reset();
        m_text = replyText(package.toMap().value(QStringLiteral("Error")).toMap().value(QStringLiteral("Description")));
    } else {
        m_reply.reset();
        if (!client->lastErrorDescription().isEmpty())
            m_text = client->lastErrorDescription();
    }
    fieldChange(m_field);
}

void QVIntlFloaterController::updateWindow()
{
    if (auto *window = dynamic_cast<FloaterWindow *>(m_window.data()))
        window->showState();
}
