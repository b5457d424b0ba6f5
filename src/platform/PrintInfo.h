#pragma once
// The settings of one print job: the printer (a print queue's name), the
// paper and its margins, orientation, pagination and centring, the page range
// and copies, duplex, what becomes of the job (spooled, previewed, saved as a
// PDF file at a path, cancelled) and the printer driver's own print settings
// (a dictionary of driver keys; a print info may have none at all).
//
// Sizes and margins are in points (72 to the inch). A print info is a plain
// value; it is stored as a property-list dictionary (data()) and read back
// with fromData(), which refuses anything that is not such a dictionary. A
// stored field of the wrong kind is read as its default, so one damaged
// field does not lose the others.
#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <QVariantMap>

#include <optional>

class PrintInfo
{
public:
    enum class Orientation { Portrait = 0, Landscape = 1 };
    // The platform's values: automatic, fit to the page, clip.
    enum class Pagination { Auto = 0, Fit = 1, Clip = 2 };
    enum class JobDisposition { Spool, Preview, Save, Cancel };
    enum class Duplex { OneSided, LongEdge, ShortEdge };

    // Letter paper (612 x 792 points) in portrait, margins 72 at top and
    // bottom and 90 at the sides, clipped across and paginated down, centred
    // both ways, all pages, one copy, one-sided, spooled, no printer named
    // (the system's default queue), empty driver settings.
    PrintInfo() = default;

    // A copy of the program's shared print info: the defaults above with the
    // print system's default queue as its printer.
    static PrintInfo sharedPrintInfo();

    QString printerName;
    QString paperName = QStringLiteral("Letter");
    QSizeF paperSize{612, 792};
    Orientation orientation = Orientation::Portrait;
    double leftMargin = 90;
    double rightMargin = 90;
    double topMargin = 72;
    double bottomMargin = 72;
    Pagination horizontalPagination = Pagination::Clip;
    Pagination verticalPagination = Pagination::Auto;
    bool horizontallyCentered = true;
    bool verticallyCentered = true;
    double scalingFactor = 1.0;
    bool allPages = true;
    int firstPage = 1;
    int lastPage = 1;
    int copies = 1;
    Duplex duplex = Duplex::OneSided;
    JobDisposition jobDisposition = JobDisposition::Spool;
    QString savePath;
    // The printer driver's settings; absent when the print info has none.
    std::optional<QVariantMap> printSettings = QVariantMap();

    // The options a print job of these settings is submitted with: every
    // driver setting (numbers and booleans as their text), "copies", "sides"
    // ("one-sided", "two-sided-long-edge", "two-sided-short-edge") and, when
    // not all pages are printed, "page-ranges" ("first-last").
    QVariantMap jobOptions() const;

    // The stored form: a binary property list of a dictionary.
    QByteArray data() const;
    QVariantMap propertyList() const;
    // Nothing (and an error text) when the data is not a property-list
    // dictionary.
    static std::optional<PrintInfo> fromData(const QByteArray &data, QString *error = nullptr);
    static PrintInfo fromPropertyList(const QVariantMap &plist);

    friend bool operator==(const PrintInfo &, const PrintInfo &) = default;
};
