// The vendor's label server, its supplemental service and the partner label
// service, as StandInVendor.h describes them.
#include "StandInVendor.h"

#include "FakeLabelServers.h"
#include "FakePostageServer.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QXmlStreamWriter>
#include <QtEndian>

#include <algorithm>
#include <functional>

#include <zint.h>

using namespace tolvane::test;

namespace {

// Refusals whose vendor code is not known.
const QString kRefused = QStringLiteral("-1");
const QString kUnknownAccount = QStringLiteral("101");
const QString kWrongPassPhrase = QStringLiteral("507");

using Operation = StandInVendor::LabelOperation;

// The retail Priority Mail flat-rate prices in force from 7 September 2014
// (cents), by the label server's container type.
std::optional<qint64> flatRateCents(const QString &container)
{
    static const QMap<QString, qint64> prices{
        {QStringLiteral("FlatRateEnvelope"), 575},       {QStringLiteral("FlatRateLegalEnvelope"), 590},
        {QStringLiteral("FlatRatePaddedEnvelope"), 610}, {QStringLiteral("SmallFlatRateBox"), 595},
        {QStringLiteral("MediumFlatRateBox"), 1265},     {QStringLiteral("LargeFlatRateBox"), 1790},
    };
    const auto it = prices.constFind(container);
    return it == prices.cend() ? std::nullopt : std::optional<qint64>(*it);
}

// Mils as dollars: two decimals, three when the mils need them.
QString dollars(qint64 mils)
{
    const QString sign = mils < 0 ? QStringLiteral("-") : QString();
    const qint64 value = qAbs(mils);
    if (value % 10 == 0)
        return QStringLiteral("%1%2.%3").arg(sign).arg(value / 1000).arg((value % 1000) / 10, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1%2.%3").arg(sign).arg(value / 1000).arg(value % 1000, 3, 10, QLatin1Char('0'));
}

// A positive amount of dollars ("25", "25.5", "25.00", "0.490") in mils.
std::optional<qint64> milsOfDollars(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,7})(?:\\.(\\d{1,3}))?$"));
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const qint64 mils =
        match.captured(1).toLongLong() * 1000 + (match.captured(2) + QStringLiteral("00")).left(3).toLongLong();
    return mils > 0 ? std::optional<qint64>(mils) : std::nullopt;
}

// One symbol drawn by zint, black on white; a null image when zint refuses
// the data.
QImage symbolImage(int symbology, const QByteArray &data, int scale)
{
    zint_symbol *symbol = ZBarcode_Create();
    if (!symbol)
        return QImage();
    symbol->symbology = symbology;
    symbol->input_mode = DATA_MODE;
    symbol->scale = float(scale);
    symbol->output_options |= BARCODE_QUIET_ZONES;
    QImage image;
    const int error = ZBarcode_Encode_and_Buffer(symbol, reinterpret_cast<const unsigned char *>(data.constData()),
                                                 int(data.size()), 0);
    if (error < ZINT_ERROR && symbol->bitmap) {
        image = QImage(symbol->bitmap_width, symbol->bitmap_height, QImage::Format_RGB32);
        const unsigned char *pixel = symbol->bitmap;
        for (int y = 0; y < symbol->bitmap_height; ++y) {
            for (int x = 0; x < symbol->bitmap_width; ++x, pixel += 3)
                image.setPixel(x, y, qRgb(pixel[0], pixel[1], pixel[2]));
        }
    }
    ZBarcode_Delete(symbol);
    return image;
}

// The label of a piece: the tracking barcode (Code 128, its number printed
// below it) and, when postage is paid, the demo's test indicium in a Data
// Matrix beneath.
QImage labelImage(const QByteArray &barcodeNumber, const QByteArray &indicium)
{
    const QImage barcode = symbolImage(BARCODE_CODE128, barcodeNumber, 2);
    const QImage matrix = indicium.isEmpty() ? QImage() : symbolImage(BARCODE_DATAMATRIX, indicium, 6);
    constexpr int margin = 40;
    const int width = qMax(barcode.width(), matrix.width()) + 2 * margin;
    const int height = barcode.height() + matrix.height() + 3 * margin;
    QImage label(width, height, QImage::Format_RGB32);
    label.fill(Qt::white);
    {
        QPainter painter(&label);
        painter.drawImage(margin, margin, barcode);
        if (!matrix.isNull())
            painter.drawImage(margin, 2 * margin + barcode.height(), matrix);
    }
    return label;
}

// An image as the label server's monochrome PNG.
QByteArray monochromePng(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither).save(&buffer, "PNG");
    return bytes;
}

// The first element of the name at any depth; its text, or a null text.
QString textOf(const XmlElement &document, const QString &name)
{
    const XmlElement *element = document.find(name);
    return element ? element->text.trimmed() : QString();
}

// The non-empty texts of the named elements, one a line; the city line is
// made of the city, state and ZIP elements given.
QStringList addressLines(const XmlElement &document, const QStringList &lines, const QStringList &cityLine)
{
    QStringList result;
    for (const QString &name : lines) {
        const QString text = textOf(document, name);
        if (!text.isEmpty())
            result << text;
    }
    QStringList city;
    for (const QString &name : cityLine) {
        const QString text = textOf(document, name);
        if (!text.isEmpty())
            city << text;
    }
    if (!city.isEmpty())
        result << city.join(QLatin1Char(' '));
    return result;
}

// The integrated customs form a label request asks for ("Form2976" or
// "Form2976A"), or a null text.
QString integratedFormType(const XmlElement &document)
{
    if (document.attributes.value(QStringLiteral("LabelSubtype")) != QLatin1String("Integrated"))
        return QString();
    const QString type = document.childText(QStringLiteral("IntegratedFormType")).trimmed();
    return type == QLatin1String("Form2976") || type == QLatin1String("Form2976A") ? type : QString();
}

// One page of the customs declaration the label server fills in from the
// request (PS Form 2976, CN 22, or PS Form 2976-A, CP 72): its title, the
// piece's barcode, the sender, the addressee, the contents with their
// totals, the kind of contents, the non-delivery instruction, the signer and
// the date. 8.5 x 5.5 in at 150 dots an inch.
QImage customsFormImage(const XmlElement &document, const QString &formType, const QString &part,
                        const QByteArray &barcodeNumber)
{
    constexpr int kWidth = 1275;
    constexpr int kHeight = 825;
    constexpr int kMargin = 30;
    QImage page(kWidth, kHeight, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.setPen(Qt::black);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleStrategy(QFont::NoAntialias);
    const auto setFont = [&painter, &font](int pixels, bool bold) {
        font.setPixelSize(pixels);
        font.setBold(bold);
        painter.setFont(font);
    };
    const auto lines = [&painter](int x, int y, int lineHeight, const QStringList &texts) {
        for (const QString &text : texts) {
            painter.drawText(x, y, text);
            y += lineHeight;
        }
        return y;
    };
    painter.drawRect(kMargin / 2, kMargin / 2, kWidth - kMargin, kHeight - kMargin);

    const bool cp72 = formType == QLatin1String("Form2976A");
    setFont(30, true);
    painter.drawText(kMargin, kMargin + 34,
                     cp72 ? QStringLiteral("CUSTOMS DECLARATION AND DISPATCH NOTE - CP 72")
                          : QStringLiteral("CUSTOMS DECLARATION - CN 22"));
    setFont(20, false);
    painter.drawText(kMargin, kMargin + 64,
                     (cp72 ? QStringLiteral("PS Form 2976-A") : QStringLiteral("PS Form 2976")) +
                         QStringLiteral("   ") + part);
    const QImage barcode = symbolImage(BARCODE_CODE128, barcodeNumber, 2);
    painter.drawImage(kWidth - kMargin - barcode.width(), kMargin + 76, barcode);

    int top = kMargin + 86 + barcode.height();
    const int half = kWidth / 2;
    setFont(20, true);
    painter.drawText(kMargin, top + 20, QStringLiteral("From (sender)"));
    painter.drawText(half, top + 20, QStringLiteral("To (addressee)"));
    setFont(20, false);
    QStringList sender =
        addressLines(document,
                     {QStringLiteral("FromName"), QStringLiteral("FromCompany"), QStringLiteral("ReturnAddress1"),
                      QStringLiteral("ReturnAddress2")},
                     {QStringLiteral("FromCity"), QStringLiteral("FromState"), QStringLiteral("FromPostalCode")});
    if (!textOf(document, QStringLiteral("FromPhone")).isEmpty())
        sender << QStringLiteral("Phone: ") + textOf(document, QStringLiteral("FromPhone"));
    QStringList addressee =
        addressLines(document,
                     {QStringLiteral("ToName"), QStringLiteral("ToCompany"), QStringLiteral("ToAddress1"),
                      QStringLiteral("ToAddress2"), QStringLiteral("ToAddress3")},
                     {QStringLiteral("ToCity"), QStringLiteral("ToState"), QStringLiteral("ToPostalCode")});
    if (!textOf(document, QStringLiteral("ToCountryCode")).isEmpty())
        addressee << textOf(document, QStringLiteral("ToCountryCode"));
    top = qMax(lines(kMargin, top + 46, 24, sender), lines(half, top + 46, 24, addressee)) + 10;

    // The contents.
    const QList<int> columns{kMargin, kMargin + 480, kMargin + 580, kMargin + 720, kMargin + 880, kMargin + 1060};
    const QStringList headings{QStringLiteral("Detailed description of contents"),
                               QStringLiteral("Qty"),
                               QStringLiteral("Weight (oz)"),
                               QStringLiteral("Value (US $)"),
                               QStringLiteral("HS tariff no."),
                               QStringLiteral("Origin")};
    painter.drawLine(kMargin, top, kWidth - kMargin, top);
    setFont(18, true);
    for (int i = 0; i < headings.size(); ++i)
        painter.drawText(columns[i], top + 22, headings[i]);
    setFont(20, false);
    int y = top + 50;
    double totalValue = 0;
    const XmlElement *items = document.find(QStringLiteral("CustomsItems"));
    for (const XmlElement &item : items ? items->children : QList<XmlElement>()) {
        const QStringList cells{
            item.childText(QStringLiteral("Description")),    item.childText(QStringLiteral("Quantity")),
            item.childText(QStringLiteral("Weight")),         item.childText(QStringLiteral("Value")),
            item.childText(QStringLiteral("HSTariffNumber")), item.childText(QStringLiteral("CountryOfOrigin"))};
        for (int i = 0; i < cells.size(); ++i)
            painter.drawText(columns[i], y, cells[i].trimmed());
        totalValue += item.childText(QStringLiteral("Value")).toDouble();
        y += 24;
        if (y > kHeight - 200)
            break;
    }
    painter.drawLine(kMargin, y - 14, kWidth - kMargin, y - 14);
    setFont(20, true);
    painter.drawText(kMargin, y + 12, QStringLiteral("Total (gross weight of the piece)"));
    painter.drawText(columns[2], y + 12, textOf(document, QStringLiteral("WeightOz")));
    painter.drawText(columns[3], y + 12, QString::number(totalValue, 'f', 2));
    setFont(20, false);

    // The kind of contents, what to do when it cannot be delivered, the
    // numbers the sender gave and the signer.
    QString contents = textOf(document, QStringLiteral("ContentsType"));
    if (contents == QLatin1String("Other") && !textOf(document, QStringLiteral("ContentsExplanation")).isEmpty())
        contents += QStringLiteral(" (") + textOf(document, QStringLiteral("ContentsExplanation")) + QLatin1Char(')');
    QStringList facts{QStringLiteral("Category of item: ") + contents,
                      QStringLiteral("Mail class: ") + textOf(document, QStringLiteral("MailClass"))};
    if (textOf(document, QStringLiteral("NonDeliveryOption")) == QLatin1String("Return"))
        facts << QStringLiteral("If not deliverable: return to sender");
    for (const auto &[name, title] :
         {std::pair{QStringLiteral("InvoiceNumber"), QStringLiteral("Invoice no.: ")},
          std::pair{QStringLiteral("LicenseNumber"), QStringLiteral("License no.: ")},
          std::pair{QStringLiteral("CertificateNumber"), QStringLiteral("Certificate no.: ")},
          std::pair{QStringLiteral("EelPfc"), QStringLiteral("AES/ITN: ")}}) {
        if (!textOf(document, name).isEmpty())
            facts << title + textOf(document, name);
    }
    lines(kMargin, y + 52, 24, facts);
    setFont(20, false);
    painter.drawText(half, y + 52,
                     QStringLiteral("Sender's signature: ") + textOf(document, QStringLiteral("CustomsSigner")));
    painter.drawText(half, y + 76, QStringLiteral("Date: ") + textOf(document, QStringLiteral("ShipDate")));
    if (textOf(document, QStringLiteral("CustomsCertify")) == QLatin1String("TRUE"))
        painter.drawText(half, y + 100, QStringLiteral("The sender certified the particulars given."));
    painter.end();
    return page;
}

// The parts of an integrated label, in order: for a PS Form 2976 the label
// with the CN 22 beside it; for a PS Form 2976-A the label, the two pages of
// the CP 72 and, when the request asks for it, the sender's copy.
QList<QImage> integratedLabelParts(const XmlElement &document, const QString &formType, const QImage &label,
                                   const QByteArray &barcodeNumber)
{
    if (formType == QLatin1String("Form2976")) {
        const QImage form = customsFormImage(document, formType, QString(), barcodeNumber);
        QImage joined(label.width() + form.width(), qMax(label.height(), form.height()), QImage::Format_RGB32);
        joined.fill(Qt::white);
        QPainter painter(&joined);
        painter.drawImage(0, 0, label);
        painter.drawImage(label.width(), 0, form);
        painter.end();
        return {joined};
    }
    QList<QImage> parts{label, customsFormImage(document, formType, QStringLiteral("Page 1 of 2"), barcodeNumber),
                        customsFormImage(document, formType, QStringLiteral("Page 2 of 2"), barcodeNumber)};
    if (document.childText(QStringLiteral("CustomsSendersCopy")).trimmed() == QLatin1String("TRUE"))
        parts << customsFormImage(document, formType, QStringLiteral("Sender's copy"), barcodeNumber);
    return parts;
}

// The label as printer commands: the tracking barcode with its number and
// the indicium's mark.
QByteArray labelCommands(const QString &format, const QByteArray &barcodeNumber, bool paid)
{
    const QByteArray mark = paid ? QByteArray("TOLVANE DEMO TEST INDICIUM - NOT POSTAGE") : QByteArray("NO POSTAGE");
    if (format == QLatin1String("ZPLII"))
        return "^XA\r\n^FO50,50^BCN,200,Y,N,N^FD" + barcodeNumber + "^FS\r\n^FO50,350^A0N,30,30^FD" + mark +
            "^FS\r\n^XZ\r\n";
    return "N\r\nq812\r\nB50,50,0,1,3,7,200,B,\"" + barcodeNumber + "\"\r\nA50,350,0,3,1,1,N,\"" + mark +
        "\"\r\nP1\r\n";
}

} // namespace

// The answer to one document: the reply's children, written in order.
struct StandInVendor::LabelAnswer {
    QString status = QStringLiteral("0");
    QString message;
    QList<std::function<void(QXmlStreamWriter &)>> parts;

    void refuse(const QString &code, const QString &text)
    {
        status = code;
        message = text;
        parts.clear();
    }
    void text(const QString &name, const QString &value)
    {
        parts.append([name, value](QXmlStreamWriter &writer) { writer.writeTextElement(name, value); });
    }
    void writeChildren(QXmlStreamWriter &writer) const
    {
        writer.writeTextElement(QStringLiteral("Status"), status);
        writer.writeTextElement(QStringLiteral("ErrorMessage"), message);
        for (const auto &part : parts)
            part(writer);
    }
    QByteArray document(Operation operation) const
    {
        QByteArray bytes;
        QXmlStreamWriter writer(&bytes);
        writer.writeStartDocument();
        writer.writeStartElement(labelReplyRootName(operation));
        writeChildren(writer);
        writer.writeEndElement();
        writer.writeEndDocument();
        return bytes;
    }
};

const QList<QByteArray> &StandInVendor::labelServerPaths()
{
    static const QList<QByteArray> paths = [] {
        QList<QByteArray> list;
        for (const LabelFormPath &entry : labelFormPaths())
            list << entry.path;
        return list;
    }();
    return paths;
}

void StandInVendor::addPartnerAccount(const QByteArray &id, const QByteArray &password, qint64 balanceMils)
{
    std::lock_guard lock(m_mutex);
    PartnerAccount &account = m_partnerAccounts[id];
    account.id = id;
    account.password = password;
    account.balanceMils = balanceMils;
}

std::optional<StandInVendor::PartnerAccount> StandInVendor::partnerAccount(const QByteArray &id) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_partnerAccounts.constFind(id);
    if (it == m_partnerAccounts.cend())
        return std::nullopt;
    return *it;
}

std::optional<StandInVendor::Failure> StandInVendor::takeFailureLocked(const QString &service)
{
    const auto it = m_failures.find(service);
    if (it == m_failures.end())
        return std::nullopt;
    const Failure failure = *it;
    m_failures.erase(it);
    return failure;
}

StandInVendor::LabelAnswer StandInVendor::labelAnswer(LabelOperation operation, const XmlElement &document,
                                                      bool partner, const std::optional<Failure> &failure)
{
    LabelAnswer answer;
    if (failure && failure->code) {
        answer.refuse(QString::number(*failure->code), QStringLiteral("The stand-in was told to refuse this request."));
        return answer;
    }

    // The account: the vendor's postage account, or the partner's own.
    const QByteArray id = textOf(document, QStringLiteral("AccountID")).toLatin1();
    const QByteArray passPhrase = textOf(document, QStringLiteral("PassPhrase")).toUtf8();
    Account *account = nullptr;
    PartnerAccount *partnerAccount = nullptr;
    if (partner) {
        const auto it = m_partnerAccounts.find(id);
        partnerAccount = it == m_partnerAccounts.end() ? nullptr : &*it;
    } else {
        const auto it = m_accounts.find(id);
        account = it == m_accounts.end() ? nullptr : &*it;
    }
    if (!account && !partnerAccount) {
        answer.refuse(kUnknownAccount, QStringLiteral("The account %1 is not known.").arg(QString::fromLatin1(id)));
        return answer;
    }
    if (partner ? partnerAccount->password != passPhrase
                : account->passPhraseDigest != FakePostageServer::digestOfPassPhrase(passPhrase)) {
        answer.refuse(kWrongPassPhrase, QStringLiteral("The Pass Phrase you entered was not correct."));
        return answer;
    }
    qint64 &balance = partner ? partnerAccount->balanceMils : account->descendingRegister;
    QMap<quint32, Piece> &pieces = partner ? partnerAccount->pieces : account->pieces;
    const auto balanceElement = [&answer, &balance, &id] {
        const QString accountID = QString::fromLatin1(id);
        const QString text = dollars(balance);
        answer.parts.append([accountID, text](QXmlStreamWriter &writer) {
            writer.writeStartElement(QStringLiteral("CertifiedIntermediary"));
            writer.writeTextElement(QStringLiteral("AccountID"), accountID);
            writer.writeTextElement(QStringLiteral("PostageBalance"), text);
            writer.writeEndElement();
        });
    };
    // The price of the piece the document describes, in mils.
    const auto price = [&document]() -> std::optional<qint64> {
        const QString country = textOf(document, QStringLiteral("ToCountryCode"));
        if (textOf(document, QStringLiteral("MailClass")) != QLatin1String("Priority") ||
            !(country.isEmpty() || country == QLatin1String("US")))
            return std::nullopt;
        const std::optional<qint64> cents = flatRateCents(textOf(document, QStringLiteral("MailpieceShape")));
        return cents ? std::optional<qint64>(*cents * 10) : std::nullopt;
    };
    const QString noPrice =
        QStringLiteral("No price is known for this piece (mail class \"%1\", shape \"%2\").")
            .arg(textOf(document, QStringLiteral("MailClass")), textOf(document, QStringLiteral("MailpieceShape")));
    // A piece by its number or its tracking (or customs) number.
    const auto findPiece = [&pieces](const QString &number, const QString &tracking) -> Piece * {
        for (Piece &piece : pieces) {
            if ((!number.isEmpty() && QString::number(piece.number) == number) ||
                (!tracking.isEmpty() && QString::fromLatin1(piece.trackingNumber) == tracking))
                return &piece;
        }
        return nullptr;
    };
    // Refunds the piece: its postage back on the balance (and off the
    // ascending register); the refusal's text when there is no such piece or
    // it was refunded before, else nothing.
    const auto refund = [&balance, account](Piece *piece) -> QString {
        if (!piece)
            return QStringLiteral("The account has no such piece.");
        if (piece->refunded)
            return QStringLiteral("The piece was refunded before.");
        piece->refunded = true;
        balance += piece->amountMils;
        if (account)
            account->ascendingRegister -= piece->amountMils;
        return QString();
    };

    switch (operation) {
    case Operation::AccountStatus:
        balanceElement();
        return answer;
    case Operation::BuyPostage: {
        const std::optional<qint64> amount = milsOfDollars(textOf(document, QStringLiteral("RecreditAmount")));
        if (!amount) {
            answer.refuse(kRefused, QStringLiteral("The amount to buy is not a positive amount of dollars."));
            return answer;
        }
        balance += *amount;
        balanceElement();
        return answer;
    }
    case Operation::Rate: {
        const std::optional<qint64> mils = price();
        if (!mils) {
            answer.refuse(kRefused, noPrice);
            return answer;
        }
        const QString total = dollars(*mils);
        const QString mailClass = textOf(document, QStringLiteral("MailClass"));
        answer.parts.append([total, mailClass](QXmlStreamWriter &writer) {
            writer.writeStartElement(QStringLiteral("PostagePrice"));
            writer.writeAttribute(QStringLiteral("TotalAmount"), total);
            writer.writeStartElement(QStringLiteral("Postage"));
            writer.writeAttribute(QStringLiteral("TotalAmount"), total);
            writer.writeTextElement(QStringLiteral("MailService"), mailClass);
            writer.writeEndElement();
            writer.writeEndElement();
        });
        return answer;
    }
    case Operation::Label: {
        const XmlElement &root = document;
        const QString imageFormat = root.attributes.value(QStringLiteral("ImageFormat"));
        const bool numberOnly = !root.attributes.contains(QStringLiteral("ImageFormat"));
        const bool test = root.attributes.value(QStringLiteral("Test")) == QLatin1String("YES");
        const bool postage = textOf(document, QStringLiteral("IncludePostage")) == QLatin1String("TRUE");
        const bool charged = postage && !test && !numberOnly;
        if (!numberOnly && imageFormat != QLatin1String("PNGMONOCHROME") && imageFormat != QLatin1String("EPL2") &&
            imageFormat != QLatin1String("ZPLII")) {
            answer.refuse(kRefused, QStringLiteral("The image format \"%1\" is not offered.").arg(imageFormat));
            return answer;
        }
        const std::optional<qint64> mils = price();
        if (charged && !mils) {
            answer.refuse(kRefused, noPrice);
            return answer;
        }
        if (charged && *mils > balance) {
            answer.refuse(kRefused,
                          QStringLiteral("The postage balance of $%1 does not cover the postage of $%2.")
                              .arg(dollars(balance), dollars(*mils)));
            return answer;
        }
        const QString toZip = textOf(document, QStringLiteral("ToPostalCode"));
        const QByteArray zip5 = toZip.left(5).toLatin1();
        const bool routed = zip5.size() == 5 && zip5.toUInt() > 0;
        const QByteArray tracking = nextTrackingNumber();
        const QByteArray barcodeNumber = (routed ? "420" + zip5 : QByteArray()) + tracking;

        Piece piece;
        if (charged) {
            quint32 &counter = partner ? partnerAccount->pieceCount : account->pieceCount;
            piece.number = ++counter;
            piece.amountMils = *mils;
            piece.toZip5 = routed ? zip5 : QByteArray();
            piece.trackingNumber = tracking;
            piece.created = QDateTime::currentDateTime();
            piece.indicium = testIndicium(partner ? partnerAccount->id : account->number, piece.number, *mils);
            balance -= *mils;
            if (account)
                account->ascendingRegister += *mils;
            pieces.insert(piece.number, piece);
        }
        const QString formType = integratedFormType(document);
        if (!numberOnly && imageFormat == QLatin1String("PNGMONOCHROME")) {
            const QImage label = labelImage(barcodeNumber, charged ? piece.indicium : QByteArray());
            if (formType.isEmpty()) {
                answer.text(QStringLiteral("Base64LabelImage"), QString::fromLatin1(monochromePng(label).toBase64()));
            } else {
                // An integrated form comes as a list of parts.
                QList<QByteArray> parts;
                for (const QImage &image : integratedLabelParts(document, formType, label, barcodeNumber))
                    parts << monochromePng(image).toBase64();
                answer.parts.append([parts](QXmlStreamWriter &writer) {
                    writer.writeStartElement(QStringLiteral("Label"));
                    for (int i = 0; i < parts.size(); ++i) {
                        writer.writeStartElement(QStringLiteral("Image"));
                        writer.writeAttribute(QStringLiteral("PartNumber"), QString::number(i + 1));
                        writer.writeCharacters(QString::fromLatin1(parts[i]));
                        writer.writeEndElement();
                    }
                    writer.writeEndElement();
                });
            }
        } else if (!numberOnly) {
            answer.text(QStringLiteral("Base64LabelImage"),
                        QString::fromLatin1(labelCommands(imageFormat, barcodeNumber, charged).toBase64()));
        }
        answer.text(QStringLiteral("BarcodeNumber"), QString::fromLatin1(barcodeNumber));
        answer.text(QStringLiteral("BarcodeDisplay"), QString::fromLatin1(groupsOfFour(tracking)));
        answer.text(QStringLiteral("Banner"), QStringLiteral("USPS TRACKING #"));
        answer.text(QStringLiteral("TrackingNumber"), QString::fromLatin1(tracking));
        if (charged) {
            answer.text(QStringLiteral("TransactionID"), QString::number(piece.number));
            answer.text(QStringLiteral("Indicium"), QString::fromLatin1(piece.indicium.toHex().toUpper()));
        }
        if (postage && mils) {
            const QString total = dollars(*mils);
            const QString mailClass = textOf(document, QStringLiteral("MailClass"));
            answer.text(QStringLiteral("FinalPostage"), total);
            answer.parts.append([total, mailClass](QXmlStreamWriter &writer) {
                writer.writeStartElement(QStringLiteral("Postage"));
                writer.writeAttribute(QStringLiteral("TotalAmount"), total);
                writer.writeTextElement(QStringLiteral("MailService"), mailClass);
                writer.writeEndElement();
            });
        }
        answer.text(QStringLiteral("PostageBalance"), dollars(balance));
        return answer;
    }
    case Operation::RefundByPiece: {
        Piece *piece =
            findPiece(textOf(document, QStringLiteral("PieceNumber")), textOf(document, QStringLiteral("PicNumber")));
        const QString error = refund(piece);
        const bool approved = error.isEmpty();
        answer.text(QStringLiteral("RefundStatus"), approved ? QStringLiteral("APPROVED") : QStringLiteral("DENIED"));
        answer.text(QStringLiteral("RefundStatusMessage"), error);
        return answer;
    }
    case Operation::RefundByNumber: {
        const XmlElement *list = document.child(QStringLiteral("RefundList"));
        const XmlElement *item = list && !list->children.isEmpty() ? &list->children.first() : nullptr;
        const QString name = item ? item->name : QString();
        const QString value = item ? item->text.trimmed() : QString();
        Piece *piece = name == QLatin1String("PieceID") ? findPiece(value, QString()) : findPiece(QString(), value);
        const QString error = refund(piece);
        const bool approved = error.isEmpty();
        answer.parts.append([name, value, approved, error](QXmlStreamWriter &writer) {
            writer.writeStartElement(QStringLiteral("RefundList"));
            if (!name.isEmpty())
                writer.writeTextElement(name, value);
            writer.writeTextElement(QStringLiteral("IsApproved"),
                                    approved ? QStringLiteral("YES") : QStringLiteral("NO"));
            writer.writeTextElement(QStringLiteral("ErrorMsg"), error);
            writer.writeEndElement();
        });
        return answer;
    }
    case Operation::SCAN:
        answer.refuse(kRefused, QStringLiteral("The demo makes no SCAN forms."));
        return answer;
    case Operation::Stamps:
        answer.refuse(kRefused, QStringLiteral("The demo sells no printed stamps."));
        return answer;
    }
    return answer;
}

StandInVendor::Reply StandInVendor::labelServer(const Request &request)
{
    const auto entry = std::find_if(labelFormPaths().cbegin(), labelFormPaths().cend(),
                                    [&request](const LabelFormPath &path) { return path.path == request.path(); });
    if (entry == labelFormPaths().cend())
        return Reply::text(404, "unknown path");
    std::lock_guard lock(m_mutex);
    const std::optional<Failure> failure = takeFailureLocked(QStringLiteral("labelserver"));
    if (failure && !failure->code)
        return Reply::text(failure->httpStatus, QByteArray());
    const LabelRequestRead read = readLabelFormRequest(request);
    if (!read.request)
        return Reply::text(read.status, read.error.toUtf8());
    const LabelOperation operation = *read.request->operation;
    const XmlElement &document = read.request->document;
    LabelAnswer answer;
    if (!entry->root.isEmpty() && document.name != entry->root)
        answer.refuse(kRefused,
                      QStringLiteral("This service takes a %1 document, not %2.").arg(entry->root, document.name));
    else
        answer = labelAnswer(operation, document, false, failure);
    return xmlReply(200, answer.document(operation));
}

StandInVendor::Reply StandInVendor::labelSupplemental(const Request &request)
{
    std::lock_guard lock(m_mutex);
    const std::optional<Failure> failure = takeFailureLocked(QStringLiteral("labelserver"));
    if (failure && !failure->code)
        return Reply::text(failure->httpStatus, QByteArray());
    const LabelRequestRead read = readSupplementalRequest(request);
    if (!read.request)
        return Reply::text(read.status, read.error.toUtf8());
    if (!read.request->operation)
        return Reply::text(404, "unknown method");
    const LabelOperation operation = *read.request->operation;
    return xmlReply(200, labelAnswer(operation, read.request->document, false, failure).document(operation));
}

StandInVendor::Reply StandInVendor::partner(const Request &request)
{
    const QString serviceNamespace = QString::fromLatin1(PartnerNamespace);
    std::lock_guard lock(m_mutex);
    const std::optional<Failure> failure = takeFailureLocked(QStringLiteral("partner"));
    if (failure && !failure->code)
        return Reply::text(failure->httpStatus, QByteArray());
    const LabelRequestRead read = readPartnerRequest(request, serviceNamespace);
    if (!read.request)
        return partnerFault(read.error);
    const LabelRequest &call = *read.request;
    const LabelAnswer answer = labelAnswer(*call.operation, call.document, true, failure);
    return partnerReply(serviceNamespace, QString::fromUtf8(call.method), [&](QXmlStreamWriter &writer) {
        if (call.asText)
            writer.writeCharacters(QString::fromUtf8(answer.document(*call.operation)));
        else
            answer.writeChildren(writer);
    });
}
