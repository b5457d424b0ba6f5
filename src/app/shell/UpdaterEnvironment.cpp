// The updater's environment in the running program: the build's values and
// the shared clients.
#include "app/shell/QVUpdater.h"

#include "platform/Bundle.h"
#include "platform/SystemVersion.h"
#include "services/QVGLZUSPSZoneChartCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

QVUpdaterEnvironment defaultUpdaterEnvironment()
{
    QVUpdaterEnvironment environment;
    environment.bundleFeedURL = defaultUpdateFeedURL();
    environment.bundleVersion = Bundle::bundleVersion();
    environment.shortVersionString = Bundle::shortVersionString();
    environment.bundleName = Bundle::bundleName();
    environment.systemVersionBCD = [] { return quint32(GetSystemVersionBCD()); };
    environment.mainScreenSize = [] {
        const QScreen *screen =
            qobject_cast<QGuiApplication *>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
        return screen ? screen->size() : QSize(0, 0);
    };
    environment.setAllHolidays = [](const QVariantMap &holidays) {
        QVUSPSCommandCenter::commandCenter()->setAllHolidays(holidays);
    };
    environment.refreshAccountInformation = [] { QVRHOAccountInformationCommandCenter::commandCenter()->refresh(); };
    environment.checkForZoneUpdate = [] { QVGLZUSPSZoneChartCommandCenter::commandCenter()->checkForZoneUpdate(); };
    environment.testServerHost = [] {
        const auto postage = QVRHOCommandCenter::commandCenter();
        if (!postage->testServer())
            return QString();
        QString host = QUrl(postage->server()).host();
        return host.isEmpty() ? QUrl(QStringLiteral("https://") + postage->server()).host() : host;
    };
    return environment;
}
