// MasterController: favorites on the main window (the favorites host, the
// add sheet's settings and description, applying a favorite) and the
// window actions that the toolbar and the menus send to the controller.
#include "app/mainwindow/MasterController.h"

#include "app/preferences/QVFavorites.h"
#include "model/QVShipment.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"

namespace {

// The main window as favorites see it.
class MasterFavoritesHost final : public QVFavoritesHost
{
public:
    explicit MasterFavoritesHost(MasterController &controller) : m_controller(controller) {}

    std::shared_ptr<QVShipment> currentShipment() override { return m_controller.currentShipment(); }
    bool toAddressTextDiffers() override
    {
        return m_controller.form().text(FormControl::ToAddress).trimmed() !=
            m_controller.toAddress().formattedAddress();
    }
    void standardizeTextBoxAddress() override { m_controller.standardizeTextBoxAddress(true, false); }
    void setCurrentShipmentProperty(const QVariant &value, const QString &key) override
    {
        m_controller.setCurrentShipmentProperty(value, key);
    }
    void updatePricing() override
    {
        if (const std::shared_ptr<QVShipment> shipment = m_controller.currentShipment())
            shipment->_updatePricing();
    }
    void updateServiceStandards() override { m_controller.updateServiceStandards(); }
    void setEstimatedDelivery(const QString &text) override
    {
        m_controller.form().setText(FormControl::RateEstimated, text);
    }

private:
    MasterController &m_controller;
};

} // namespace

QVFavoritesHost &MasterController::favoritesHost()
{
    if (!m_favoritesHost)
        m_favoritesHost = std::make_shared<MasterFavoritesHost>(*this);
    return *m_favoritesHost;
}

QVariantMap MasterController::favoriteSettingsToPull() const
{
    return QVFavorites::settingsToPull(*m_currentShipment, defaults());
}

QString MasterController::favoriteDescription(const QVariantMap &settings) const
{
    return QVFavorites::descriptionFromSettings(settings, m_isInternational || isMilitaryMail(*m_currentShipment));
}

bool MasterController::okAddFavorite(const QString &nickname)
{
    return QVFavorites::addFavorite(nickname, favoriteSettingsToPull());
}

bool MasterController::chooseFavorite(int tag)
{
    if (m_view)
        m_view->commitEditing();
    return QVFavorites::chooseFavorite(favoritesHost(), tag);
}

void MasterController::toggleAddressDrawer()
{
    if (m_view)
        m_view->toggleAddressDrawer();
}

void MasterController::printTheLabel()
{
    if (m_view)
        m_view->commitEditing();
    if (m_env.printing)
        m_env.printing->printTheLabel();
}
