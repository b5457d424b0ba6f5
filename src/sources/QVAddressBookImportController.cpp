#include "sources/QVAddressBookImportController.h"

#include "model/QVAddress.h"
#include "model/QVCountry.h"
#include "model/StringAdditions.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/PropertyList.h"
#include "sources/ParsingExtensions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QString kImportedAddressesFileName = QStringLiteral("importedAddresses.plist");

// The choices of the open panel, in order, and their items.
enum Choice { FormatChoice = 0, OverwriteChoice = 1, HeaderRowChoice = 2 };

QList<PanelChoice> panelChoices(int format, bool overwrite, bool headerRow)
{
    return {
        {QStringLiteral("Format:"),
         {QStringLiteral("Tab-delimited text"), QStringLiteral("Comma-separated values")},
         format == QVAddressBookImportController::CommaSeparated ? 1 : 0},
        {QStringLiteral("Imported list:"),
         {QStringLiteral("Replace it"), QStringLiteral("Add to it")},
         overwrite ? 0 : 1},
        {QStringLiteral("First row:"),
         {QStringLiteral("Column titles (skip it)"), QStringLiteral("An address")},
         headerRow ? 0 : 1},
    };
}

void alertImportError(const QString &informativeText)
{
    runAlert(alertWithText(QStringLiteral("Error importing file"), informativeText));
}

QString field(const QStringList &fields, qsizetype column)
{
    return column <= fields.size() ? fields.at(column - 1) : QString();
}

// Stores a row's field under the import column's key.
void setColumn(QVAddress &address, qsizetype column, const QString &value)
{
    switch (column) {
    case 1:
        address.setName(value);
        break;
    case 2:
        address.setCompany(value);
        break;
    case 3:
        address.setSuiteApt(value);
        break;
    case 4:
        address.setStreet(value);
        break;
    case 5:
        address.setCity(value);
        break;
    case 6:
        address.setState(value);
        break;
    case 7:
        address.setZIP(value);
        break;
    case 8:
        address.setCountry(value);
        break;
    case 9:
        address.setPhone(value);
        break;
    case 10:
        address.setEmail(value);
        break;
    case 11:
        address.setAssociatedDescription(value);
        break;
    case 12:
        address.setAssociatedReferenceID(value);
        break;
    default:
        break;
    }
}

QVAddress addressOfRow(const QStringList &fields)
{
    QVAddress address;
    const qsizetype count = fields.size();
    if (count < 8 || fields.at(7).isEmpty() || QVCountry::isCountryStringUSA(fields.at(7))) {
        for (qsizetype column = 1; column <= std::min<qsizetype>(count, 12); ++column)
            setColumn(address, column, fields.at(column - 1));
        address.setCountry(QStringLiteral("United States"));
        return address;
    }
    address.setCountry(fields.at(7).trimmed().toUpper());
    const QStringList parts = {
        fields.at(0),
        fields.at(1),
        fields.at(2),
        fields.at(3),
        QStringLiteral("%1 %2 %3").arg(fields.at(4), fields.at(5), fields.at(6)),
    };
    QStringList lines;
    for (const QString &part : parts) {
        // A part of blanks only (a missing city, state and ZIP) is empty too.
        if (!part.trimmed().isEmpty())
            lines.append(part);
    }
    if (!lines.isEmpty())
        address.setName(lines.takeFirst());
    address.setInternationalAddressLines(lines);
    for (const qsizetype column : {10, 9, 11, 12}) {
        if (column <= count)
            setColumn(address, column, field(fields, column));
    }
    return address;
}

} // namespace

QString QVAddressBookImportController::filePath()
{
    const QString folder = applicationSupportDirectory();
    if (folder.isEmpty())
        return QString();
    return QDir(folder).filePath(kImportedAddressesFileName);
}

std::optional<QVariantList> readImportedAddressList(QString *error)
{
    const QString path = QVAddressBookImportController::filePath();
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("There is no application-support folder.");
        return std::nullopt;
    }
    if (!QFileInfo::exists(path))
        return QVariantList();
    QString why;
    const std::optional<QVariant> value = readPropertyListFile(path, &why);
    if (!value || value->typeId() != QMetaType::QVariantList) {
        if (error)
            *error = QStringLiteral("The imported address list \u201c%1\u201d could not be read%2.")
                         .arg(QDir::toNativeSeparators(path), why.isEmpty() ? QString() : QStringLiteral(": ") + why);
        return std::nullopt;
    }
    return value->toList();
}

std::optional<QString> addressListText(const QByteArray &data)
{
    if (data.startsWith("\xEF\xBB\xBF")) {
        if (std::optional<QString> text = stringWithData(data.sliced(3), StringEncoding::UTF8))
            return text;
    } else if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        if (std::optional<QString> text = stringWithData(data, StringEncoding::UTF16))
            return text;
    }
    for (const StringEncoding encoding :
         {StringEncoding::UTF8, StringEncoding::Windows1252, StringEncoding::MacOSRoman}) {
        if (std::optional<QString> text = stringWithData(data, encoding))
            return text;
    }
    return std::nullopt;
}

QVariantList QVAddressBookImportController::rowsOfText(const QString &text) const
{
    QVariantList rows;
    if (m_selectedImportFormat == CommaSeparated) {
        for (const QStringList &row : csvRows(text))
            rows.append(row);
    } else {
        for (const QString &line : componentsSeparatedByLineSeparators(text))
            rows.append(line);
    }
    return rows;
}

std::optional<QByteArray> QVAddressBookImportController::dataWithAddressArray(const QVariantList &rows,
                                                                              QString *error) const
{
    if (m_selectedImportFormat != TabDelimited && m_selectedImportFormat != CommaSeparated) {
        if (error)
            *error = QStringLiteral("Unknown import format %1.").arg(m_selectedImportFormat);
        return std::nullopt;
    }
    QVariantList array;
    if (!m_overwrite) {
        const std::optional<QVariantList> stored = readImportedAddressList(error);
        if (!stored)
            return std::nullopt;
        array = *stored;
    }
    for (qsizetype i = m_headerRow ? 1 : 0; i < rows.size(); ++i) {
        const QVariant &row = rows.at(i);
        const QStringList fields =
            m_selectedImportFormat == TabDelimited ? row.toString().split(QLatin1Char('\t')) : row.toStringList();
        array.append(addressOfRow(fields.isEmpty() ? QStringList{QString()} : fields).plist());
    }
    QString why;
    const std::optional<QByteArray> data = writeBinaryPropertyList(array, &why);
    if (!data && error)
        *error = why;
    return data;
}

void QVAddressBookImportController::panelSelectionDidChange(const QString &path)
{
    if (QFileInfo(path).suffix().toLower() == QLatin1String("csv"))
        m_selectedImportFormat = CommaSeparated;
}

bool QVAddressBookImportController::import()
{
    OpenPanelWithChoices panel;
    panel.panel.title = QStringLiteral("Import Addresses");
    panel.panel.allowedExtensions = {QStringLiteral("txt"), QStringLiteral("text"), QStringLiteral("csv")};
    panel.choices = panelChoices(m_selectedImportFormat, m_overwrite, m_headerRow);
    panel.selectionDidChange = [this](const QString &path, QList<PanelChoice> &choices) {
        panelSelectionDidChange(path);
        if (choices.size() > FormatChoice)
            choices[FormatChoice].selected = m_selectedImportFormat == CommaSeparated ? 1 : 0;
    };
    const std::optional<OpenPanelResult> result = runOpenPanelWithChoices(panel);
    if (!result)
        return false;
    if (result->choices.size() > HeaderRowChoice) {
        changeFormat(result->choices.at(FormatChoice).selected == 1 ? CommaSeparated : TabDelimited);
        changeOverwrite(result->choices.at(OverwriteChoice).selected == 0 ? 1 : 0);
        changeHeaderRow(result->choices.at(HeaderRowChoice).selected == 0 ? 0 : 1);
    }

    QFile file(result->path);
    std::optional<QString> text;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.read(kMaximumFileSize + 1);
        if (bytes.size() > kMaximumFileSize) {
            alertImportError(QStringLiteral("The file is larger than %1 MB.").arg(kMaximumFileSize / (1024 * 1024)));
            return false;
        }
        if (file.error() == QFileDevice::NoError)
            text = addressListText(bytes);
    }
    if (!text) {
        alertImportError(
            QStringLiteral("Your file could not be opened using UTF-8, MacRoman or WinLatin1 string encodings."));
        return false;
    }

    QString error;
    const std::optional<QByteArray> data = dataWithAddressArray(rowsOfText(*text), &error);
    if (!data) {
        alertImportError(error);
        return false;
    }
    const QString path = filePath();
    QSaveFile out(path);
    if (path.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(*data) != data->size() || !out.commit()) {
        alertImportError(QStringLiteral("The imported addresses could not be saved in \u201c%1\u201d: %2")
                             .arg(QDir::toNativeSeparators(path), out.errorString()));
        return false;
    }
    return true;
}
