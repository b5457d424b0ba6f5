// The main window's vCard views: the destination box and the return-address
// box refuse two files or a file that is not ".vcf"; a dragged web link is
// read as text by the destination box; tab-separated rows
// become address lines; a vCard replaces the destination text and is
// announced; the drag source writes its file under one safe name in a
// private folder, removes it again, and does nothing while disabled.
#include "app/mainwindow/QVVCardWidgets.h"

#include "model/Person.h"
#include "platform/NotificationCenter.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <memory>

namespace {

const QByteArray kAdaCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lovelace;Ada;;;\r\nFN:Ada Lovelace\r\n"
                            "ADR;TYPE=HOME:;;1 Main St;New York;NY;10001;\r\nEND:VCARD\r\n";

QByteArray companyCard(const QString &company)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nN:;;;;\r\nFN:" + company.toUtf8() + "\r\nORG:" + company.toUtf8() +
        "\r\nADR;TYPE=WORK:;;9 Side St;Austin;TX;78701;\r\nEND:VCARD\r\n";
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &contents)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
    return path;
}

std::unique_ptr<QMimeData> filesData(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data->setUrls(urls);
    return data;
}

} // namespace

TEST(VCardDropTargets, TakeOneVcfFileAndRefuseTwoFilesOrAnotherKind)
{
    QTemporaryDir dir;
    const QString card = writeFile(dir, QStringLiteral("Ada.VCF"), kAdaCard);
    const QString other = writeFile(dir, QStringLiteral("Ada.txt"), kAdaCard);
    const QString second = writeFile(dir, QStringLiteral("Bea.vcf"), kAdaCard);
    struct Case {
        const char *name;
        QStringList files;
        bool taken;
    };
    const Case cases[] = {
        {"one .vcf (any case)", {card}, true},
        {"two files", {card, second}, false},
        {"not .vcf", {other}, false},
    };
    for (const Case &c : cases) {
        const auto data = filesData(c.files);
        QVAddressTextView to;
        EXPECT_EQ(to.acceptsMimeData(*data), c.taken) << c.name;
        EXPECT_EQ(to.readSelectionFromMimeData(*data), c.taken) << c.name;
        EXPECT_EQ(to.toPlainText().contains(QStringLiteral("1 Main St")), c.taken) << c.name;

        QVFromAddressBox from;
        int posted = 0;
        NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
            QVFromAddressBoxDidReadvCardNotification, [&](const Notification &notification) {
                const auto vCard = notification.object.shared<const QByteArray>();
                EXPECT_TRUE(vCard && *vCard == kAdaCard);
                ++posted;
            });
        EXPECT_EQ(from.acceptsDrag(*data), c.taken) << c.name;
        EXPECT_EQ(from.performDrop(*data), c.taken) << c.name;
        EXPECT_EQ(posted, c.taken ? 1 : 0) << c.name;
    }
}

TEST(QVAddressTextView, ReadsALinkDragAsTextButAFileNameListByItsOneVcfRule)
{
    QTemporaryDir dir;
    const QString card = writeFile(dir, QStringLiteral("Ada.vcf"), kAdaCard);
    const QUrl link(QStringLiteral("https://www.example.com/contact/ada"));
    struct Case {
        const char *name;
        QList<QUrl> urls;
        QString text;
        bool taken;
        QString shown;
    };
    const Case cases[] = {
        {"a web link with its text",
         {link},
         QStringLiteral("1 Main St, New York"),
         true,
         QStringLiteral("1 Main St, New York")},
        {"a web link alone", {link}, QString(), true, link.toString()},
        {"a web link with tabbed text",
         {link},
         QStringLiteral("Ada\t1 Main St\tNew York\tNY\t10001"),
         true,
         QStringLiteral("Ada\n1 Main St\nNew York NY 10001")},
        {"a .vcf file with a web link", {QUrl::fromLocalFile(card), link}, QStringLiteral("ignored"), false, QString()},
        {"a .vcf file with text",
         {QUrl::fromLocalFile(card)},
         QStringLiteral("ignored"),
         true,
         QStringLiteral("1 Main St")},
    };
    for (const Case &c : cases) {
        QMimeData data;
        data.setUrls(c.urls);
        if (!c.text.isNull())
            data.setText(c.text);
        QVAddressTextView view;
        EXPECT_EQ(view.acceptsMimeData(data), c.taken) << c.name;
        EXPECT_EQ(view.readSelectionFromMimeData(data), c.taken) << c.name;
        if (c.taken)
            EXPECT_TRUE(view.toPlainText().contains(c.shown)) << c.name << ": " << view.toPlainText().toStdString();
        else
            EXPECT_TRUE(view.toPlainText().isEmpty()) << c.name;

        // The return box takes vCards only: never a link.
        QVFromAddressBox from;
        EXPECT_EQ(from.acceptsDrag(data), c.urls.size() == 1 && c.urls.first().isLocalFile()) << c.name;
    }
}

TEST(VCardDropTargets, TheReturnBoxTakesVCardDataOnlyWhileDragsAreAllowed)
{
    QMimeData data;
    data.setData(QStringLiteral("text/vcard"), kAdaCard);
    QVFromAddressBox box;
    int posted = 0;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QVFromAddressBoxDidReadvCardNotification, [&](const Notification &) { ++posted; });
    box.setAllowDrags(false);
    EXPECT_FALSE(box.acceptsDrag(data));
    EXPECT_FALSE(box.performDrop(data));
    box.setAllowDrags(true);
    box.setDragging(true);
    EXPECT_TRUE(box.performDrop(data));
    EXPECT_FALSE(box.isDragging());
    EXPECT_EQ(posted, 1);
}

TEST(QVAddressTextView, ReadsTabSeparatedRowsAsAddressLines)
{
    struct Case {
        const char *name;
        QString row;
        QString lines;
    };
    const Case cases[] = {
        {"name, street, city, state, ZIP", QStringLiteral("Ada Lovelace\t1 Main St\tNew York\tNY\t10001"),
         QStringLiteral("Ada Lovelace\n1 Main St\nNew York NY 10001")},
        {"empty pieces dropped", QStringLiteral("Ada Lovelace\t\t1 Main St\tNew York\tNY\t10001\t"),
         QStringLiteral("Ada Lovelace\n1 Main St\nNew York NY 10001")},
        {"ending in a country", QStringLiteral("Jean Dupont\t5 rue Haute\tParis\tIDF\t75001\tFrance"),
         QStringLiteral("Jean Dupont\n5 rue Haute\nParis IDF 75001\nFrance")},
        {"country with four pieces", QStringLiteral("Jean Dupont\tParis\t75001\tFrance"),
         QStringLiteral("Jean Dupont\nParis\n75001\nFrance")},
        {"three pieces with a ZIP", QStringLiteral("Ada\tNew York\t10001"), QStringLiteral("Ada\nNew York\n10001")},
        {"no tab", QStringLiteral("Ada Lovelace, 1 Main St"), QStringLiteral("Ada Lovelace, 1 Main St")},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(addressLinesFromTabbedText(c.row), c.lines) << c.name;
        QVAddressTextView view;
        QMimeData data;
        data.setText(c.row);
        EXPECT_TRUE(view.readSelectionFromMimeData(data)) << c.name;
        EXPECT_EQ(view.toPlainText(), c.lines) << c.name;
    }
    QVAddressTextView view;
    QMimeData tabbed;
    tabbed.setData(QStringLiteral("text/tab-separated-values"), "Ada\t1 Main St\tNew York\tNY\t10001");
    EXPECT_TRUE(view.readSelectionFromMimeData(tabbed));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("Ada\n1 Main St\nNew York NY 10001"));
}

TEST(QVAddressTextView, AVCardReplacesTheTextAndIsAnnounced)
{
    QVAddressTextView view;
    view.setPlainText(QStringLiteral("Someone else\nSomewhere"));
    QList<Person> people;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QVAddressTextViewDidReadvCardNotification, [&](const Notification &notification) {
            EXPECT_EQ(notification.object.address(), &view);
            people.append(notification.userInfo.value(QVAddressTextViewPersonKey).value<Person>());
        });
    QMimeData data;
    data.setData(QStringLiteral("text/x-vcard"), kAdaCard);
    EXPECT_TRUE(view.readSelectionFromMimeData(data));
    EXPECT_FALSE(view.toPlainText().contains(QStringLiteral("Someone else")));
    EXPECT_TRUE(view.toPlainText().contains(QStringLiteral("1 Main St")));
    ASSERT_EQ(people.size(), 1);
    EXPECT_EQ(people.first().lastName(), QStringLiteral("Lovelace"));

    // Data that holds no card changes nothing.
    QMimeData broken;
    broken.setData(QStringLiteral("text/vcard"), "BEGIN:VCARD\r\nnonsense");
    const QString before = view.toPlainText();
    EXPECT_FALSE(view.readSelectionFromMimeData(broken));
    EXPECT_EQ(view.toPlainText(), before);
    EXPECT_EQ(people.size(), 1);
}

TEST(QVVCardDragSourceView, NamesItsFileSafelyInAPrivateFolderAndRemovesIt)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("cards"));
    QVVCardDragSourceView::setTempPathForTesting(folder);
    struct Case {
        QString company;
        QString fileName;
    };
    const Case cases[] = {
        {QStringLiteral("AC/DC Inc"), QStringLiteral("AC-DC Inc.vcf")},
        {QStringLiteral("../../etc/passwd"), QStringLiteral("..-etc-passwd.vcf").mid(3)},
        {QStringLiteral("..."), QStringLiteral("vCard.vcf")},
    };
    for (const Case &c : cases) {
        auto view = std::make_unique<QVVCardDragSourceView>();
        view->setVCard(companyCard(c.company));
        EXPECT_EQ(QFileInfo(view->currentPath()).fileName(), c.fileName) << c.company.toStdString();
        EXPECT_EQ(QFileInfo(view->currentPath()).absolutePath(), QFileInfo(folder).absoluteFilePath());

        std::unique_ptr<QMimeData> data(view->makeDragData());
        ASSERT_TRUE(data);
        EXPECT_EQ(data->data(QStringLiteral("text/vcard")), companyCard(c.company));
        ASSERT_EQ(data->urls().size(), 1);
        const QString written = data->urls().first().toLocalFile();
        EXPECT_EQ(written, view->currentPath());
        EXPECT_TRUE(QFile::exists(written));
        view.reset();
        EXPECT_FALSE(QFile::exists(written)) << "left behind: " << written.toStdString();
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 0);
    EXPECT_EQ(QFile::permissions(folder) &
                  (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                   QFileDevice::WriteOther | QFileDevice::ExeOther),
              QFileDevice::Permissions());

    // A new card removes the file of the one before.
    QVVCardDragSourceView view;
    view.setVCard(kAdaCard);
    std::unique_ptr<QMimeData> data(view.makeDragData());
    const QString first = view.currentPath();
    EXPECT_TRUE(QFile::exists(first));
    view.setVCard(companyCard(QStringLiteral("Zed")));
    EXPECT_FALSE(QFile::exists(first));
    QVVCardDragSourceView::setTempPathForTesting(QString());
}

TEST(QVVCardDragSourceView, ADisabledSourceNeitherDragsNorShowsItsMenu)
{
    QTemporaryDir dir;
    QVVCardDragSourceView::setTempPathForTesting(dir.path());
    QVVCardDragSourceView view;
    QAction add(QStringLiteral("Add to Address Book"));
    view.setContextActions({&add});
    view.setVCard(kAdaCard);

    view.setDragEnabled(false);
    EXPECT_TRUE(view.pixmap().isNull());
    EXPECT_EQ(view.makeDragData(), nullptr);
    EXPECT_FALSE(view.startDrag());
    EXPECT_EQ(view.makeContextMenu(), nullptr);
    EXPECT_FALSE(QFile::exists(view.currentPath()));

    view.setDragEnabled(true);
    EXPECT_FALSE(view.pixmap().isNull());
    std::unique_ptr<QMenu> menu(view.makeContextMenu());
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->actions().size(), 1);
    std::unique_ptr<QMimeData> data(view.makeDragData());
    EXPECT_TRUE(data);
    QVVCardDragSourceView::setTempPathForTesting(QString());
}
