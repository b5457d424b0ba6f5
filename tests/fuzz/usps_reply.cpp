// The USPS Web Tools reply reader on any bytes, as the replies of four kinds
// of request: a plain one, one whose image fields are cut out before the
// parse, one whose element names are renamed, and the customs label. A reply
// that is read must hold every cut field at its key path; cutting must only
// ever shorten the text; the cut images decode as Base64 without harm.
#include "FuzzSupport.h"
#include "model/StringAdditions.h"
#include "services/usps/QVUSPSCommandCenter.h"

namespace {

QVariantMap entry(const char *responseStart)
{
    return {{QStringLiteral("request"),
             QVariantMap{{QStringLiteral("body"), QStringLiteral("<%x%>")},
                         {QStringLiteral("wrapper"), QStringLiteral("<%body%>")},
                         {QStringLiteral("limit"), 1}}},
            {QStringLiteral("responseStart"), QString::fromLatin1(responseStart)}};
}

const QList<QVUSPSAPI> &apis()
{
    static const QList<QVUSPSAPI> list = [] {
        QVUSPSAPI::setAPIDictionaryForTesting(QVariantMap{
            {QStringLiteral("TrackV2"), entry("TrackResponse")},
            {QStringLiteral("CustomsCP72V3"), entry("CustomsCP72V3Response")},
            {QStringLiteral("DeliveryConfirmationPICV3"), entry("DeliveryConfirmationPICV30Response")},
            {QStringLiteral("ExpressMailLabel"), entry("ExpressMailLabelResponse")},
        });
        QList<QVUSPSAPI> made;
        for (const char *name : {"TrackV2", "CustomsCP72V3", "DeliveryConfirmationPICV3", "ExpressMailLabel"}) {
            const auto api = QVUSPSAPI::apiWithAPI(QString::fromLatin1(name), QVariantMap());
            if (!api)
                std::abort();
            made.append(*api);
        }
        return made;
    }();
    return list;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = tolvane::fuzz::bytesOf(data, size);
    for (const QVUSPSAPI &api : apis()) {
        QString text = QString::fromLatin1(bytes);
        const qsizetype before = text.size();
        const QStringList fields = QVUSPSCommandCenter::cutFieldsForAPI(api.api());
        const QVariantMap cut = QVUSPSCommandCenter::cutFields(fields, text, api.responseStartString());
        if (text.size() > before || (cut.isEmpty() && text.size() != before))
            std::abort();
        QString error;
        const auto plist = QVUSPSCommandCenter::propertyListForReply(bytes, api, &error);
        if (!plist && error.isEmpty())
            std::abort();
        if (plist && api.api() != QLatin1String("DeliveryConfirmationPICV3")) {
            for (auto field = cut.cbegin(); field != cut.cend(); ++field) {
                if (uspsValueForKeyPath(*plist, field.key()) != field.value())
                    std::abort();
                // The images are Base64 text, decoded as the forms read them.
                QString decodeError;
                const QByteArray image = decodeBase64(field.value().toString(), &decodeError);
                if (image.size() > field.value().toString().size())
                    std::abort();
            }
        }
    }
    return 0;
}
