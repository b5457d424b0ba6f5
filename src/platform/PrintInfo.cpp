#include "platform/PrintInfo.h"

#include "platform/PrintSystem.h"
#include "platform/PropertyList.h"

namespace {

const QString kPrinter = QStringLiteral("printer");
const QString kPaperName = QStringLiteral("paperName");
const QString kPaperWidth = QStringLiteral("paperWidth");
const QString kPaperHeight = QStringLiteral("paperHeight");
const QString kOrientation = QStringLiteral("orientation");
const QString kLeftMargin = QStringLiteral("leftMargin");
const QString kRightMargin = QStringLiteral("rightMargin");
const QString kTopMargin = QStringLiteral("topMargin");
const QString kBottomMargin = QStringLiteral("bottomMargin");
const QString kHorizontalPagination = QStringLiteral("horizontalPagination");
const QString kVerticalPagination = QStringLiteral("verticalPagination");
const QString kHorizontallyCentered = QStringLiteral("horizontallyCentered");
const QString kVerticallyCentered = QStringLiteral("verticallyCentered");
const QString kScalingFactor = QStringLiteral("scalingFactor");
const QString kAllPages = QStringLiteral("allPages");
const QString kFirstPage = QStringLiteral("firstPage");
const QString kLastPage = QStringLiteral("lastPage");
const QString kCopies = QStringLiteral("copies");
const QString kDuplex = QStringLiteral("duplex");
const QString kJobDisposition = QStringLiteral("jobDisposition");
const QString kSavePath = QStringLiteral("savePath");
const QString kPrintSettings = QStringLiteral("printSettings");

const QStringList kDispositions = {QStringLiteral("spool"), QStringLiteral("preview"), QStringLiteral("save"),
                                   QStringLiteral("cancel")};
const QStringList kSides = {QStringLiteral("one-sided"), QStringLiteral("two-sided-long-edge"),
                            QStringLiteral("two-sided-short-edge")};

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// Each reader keeps the default when the stored value is missing or of
// another kind.
void readText(const QVariantMap &plist, const QString &key, QString &field)
{
    const QVariant value = plist.value(key);
    if (value.typeId() == QMetaType::QString)
        field = value.toString();
}

void readReal(const QVariantMap &plist, const QString &key, double &field)
{
    const QVariant value = plist.value(key);
    if (isNumber(value))
        field = value.toDouble();
}

void readInteger(const QVariantMap &plist, const QString &key, int &field)
{
    const QVariant value = plist.value(key);
    if (isNumber(value)) {
        const qint64 number = value.toLongLong();
        if (number >= INT_MIN && number <= INT_MAX)
            field = int(number);
    }
}

void readBool(const QVariantMap &plist, const QString &key, bool &field)
{
    const QVariant value = plist.value(key);
    if (value.typeId() == QMetaType::Bool)
        field = value.toBool();
}

template <typename Enum> void readEnum(const QVariantMap &plist, const QString &key, int count, Enum &field)
{
    int number = -1;
    readInteger(plist, key, number);
    if (number >= 0 && number < count)
        field = Enum(number);
}

template <typename Enum>
void readNamed(const QVariantMap &plist, const QString &key, const QStringList &names, Enum &field)
{
    const int index = names.indexOf(plist.value(key).toString());
    if (plist.value(key).typeId() == QMetaType::QString && index >= 0)
        field = Enum(index);
}

} // namespace

PrintInfo PrintInfo::sharedPrintInfo()
{
    PrintInfo info;
    info.printerName = printSystem()->defaultQueueName();
    return info;
}

QVariantMap PrintInfo::jobOptions() const
{
    QVariantMap options;
    if (printSettings) {
        for (auto it = printSettings->cbegin(); it != printSettings->cend(); ++it) {
            if (it.value().typeId() == QMetaType::Bool)
                options.insert(it.key(), it.value().toBool() ? QStringLiteral("true") : QStringLiteral("false"));
            else if (isNumber(it.value()) || it.value().typeId() == QMetaType::QString)
                options.insert(it.key(), it.value().toString());
        }
    }
    options.insert(QStringLiteral("copies"), QString::number(qMax(1, copies)));
    options.insert(QStringLiteral("sides"), kSides.at(int(duplex)));
    if (!allPages)
        options.insert(QStringLiteral("page-ranges"),
                       QStringLiteral("%1-%2").arg(firstPage).arg(qMax(firstPage, lastPage)));
    return options;
}

QVariantMap PrintInfo::propertyList() const
{
    QVariantMap plist;
    plist.insert(kPrinter, printerName);
    plist.insert(kPaperName, paperName);
    plist.insert(kPaperWidth, paperSize.width());
    plist.insert(kPaperHeight, paperSize.height());
    plist.insert(kOrientation, qint64(orientation));
    plist.insert(kLeftMargin, leftMargin);
    plist.insert(kRightMargin, rightMargin);
    plist.insert(kTopMargin, topMargin);
    plist.insert(kBottomMargin, bottomMargin);
    plist.insert(kHorizontalPagination, qint64(horizontalPagination));
    plist.insert(kVerticalPagination, qint64(verticalPagination));
    plist.insert(kHorizontallyCentered, horizontallyCentered);
    plist.insert(kVerticallyCentered, verticallyCentered);
    plist.insert(kScalingFactor, scalingFactor);
    plist.insert(kAllPages, allPages);
    plist.insert(kFirstPage, qint64(firstPage));
    plist.insert(kLastPage, qint64(lastPage));
    plist.insert(kCopies, qint64(copies));
    plist.insert(kDuplex, kSides.at(int(duplex)));
    plist.insert(kJobDisposition, kDispositions.at(int(jobDisposition)));
    plist.insert(kSavePath, savePath);
    if (printSettings)
        plist.insert(kPrintSettings, *printSettings);
    return plist;
}

QByteArray PrintInfo::data() const
{
    QString error;
    const auto data = writeBinaryPropertyList(propertyList(), &error);
    if (!data) {
        qWarning("The print settings could not be stored: %s", qPrintable(error));
        return QByteArray();
    }
    return *data;
}

PrintInfo PrintInfo::fromPropertyList(const QVariantMap &plist)
{
    PrintInfo info;
    readText(plist, kPrinter, info.printerName);
    readText(plist, kPaperName, info.paperName);
    double width = info.paperSize.width();
    double height = info.paperSize.height();
    readReal(plist, kPaperWidth, width);
    readReal(plist, kPaperHeight, height);
    if (width > 0 && height > 0)
        info.paperSize = QSizeF(width, height);
    readEnum(plist, kOrientation, 2, info.orientation);
    readReal(plist, kLeftMargin, info.leftMargin);
    readReal(plist, kRightMargin, info.rightMargin);
    readReal(plist, kTopMargin, info.topMargin);
    readReal(plist, kBottomMargin, info.bottomMargin);
    readEnum(plist, kHorizontalPagination, 3, info.horizontalPagination);
    readEnum(plist, kVerticalPagination, 3, info.verticalPagination);
    readBool(plist, kHorizontallyCentered, info.horizontallyCentered);
    readBool(plist, kVerticallyCentered, info.verticallyCentered);
    readReal(plist, kScalingFactor, info.scalingFactor);
    readBool(plist, kAllPages, info.allPages);
    readInteger(plist, kFirstPage, info.firstPage);
    readInteger(plist, kLastPage, info.lastPage);
    readInteger(plist, kCopies, info.copies);
    readNamed(plist, kDuplex, kSides, info.duplex);
    readNamed(plist, kJobDisposition, kDispositions, info.jobDisposition);
    readText(plist, kSavePath, info.savePath);
    const QVariant settings = plist.value(kPrintSettings);
    if (settings.typeId() == QMetaType::QVariantMap)
        info.printSettings = settings.toMap();
    else
        info.printSettings.reset();
    return info;
}

std::optional<PrintInfo> PrintInfo::fromData(const QByteArray &data, QString *error)
{
    const auto plist = readPropertyList(data, error);
    if (!plist)
        return std::nullopt;
    if (plist->typeId() != QMetaType::QVariantMap) {
        if (error)
            *error = QStringLiteral("The stored print settings are not a dictionary.");
        return std::nullopt;
    }
    return fromPropertyList(plist->toMap());
}
