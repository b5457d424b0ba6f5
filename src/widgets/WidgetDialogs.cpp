#include "widgets/WidgetDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPageSize>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>

#include <algorithm>
#include <functional>

namespace tolvane {

namespace {

const char kAnswerProperty[] = "tolvaneAlertAnswer";

QString suppressionTitle(const Alert &alert)
{
    return alert.suppressionButtonTitle.isEmpty() ? QStringLiteral("Do not show this message again")
                                                  : alert.suppressionButtonTitle;
}

} // namespace

QMessageBox *makeMessageBox(const Alert &alert, QWidget *parent)
{
    auto *box = new QMessageBox(parent);
    box->setWindowTitle(QApplication::applicationDisplayName());
    box->setIcon(alert.style == Alert::Style::Informational ? QMessageBox::Information : QMessageBox::Warning);
    // Alert texts may hold what a user typed or a server answered: they are
    // shown as they are, never read as markup (the box reads its
    // informative text as markup when it looks like some).
    box->setTextFormat(Qt::PlainText);
    box->setText(alert.messageText);
    box->setInformativeText(alert.informativeText);
    if (auto *message = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
        message->setTextFormat(Qt::PlainText);
        QFont bold = message->font();
        bold.setBold(true);
        message->setFont(bold);
    }
    if (auto *informative = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    QList<AlertButton> buttons = alert.buttons;
    if (buttons.isEmpty())
        buttons.append({QStringLiteral("OK"), 1});
    QPushButton *escape = nullptr;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const bool cancels = buttons[i].answer == alert.cancelAnswer && i > 0;
        QPushButton *button = box->addButton(buttons[i].title,
                                             i == 0        ? QMessageBox::AcceptRole
                                                 : cancels ? QMessageBox::RejectRole
                                                           : QMessageBox::ActionRole);
        button->setProperty(kAnswerProperty, buttons[i].answer);
        if (i == 0)
            box->setDefaultButton(button);
        if (cancels && !escape)
            escape = button;
    }
    box->setEscapeButton(escape ? escape : box->defaultButton());
    if (alert.showsSuppressionButton)
        box->setCheckBox(new QCheckBox(suppressionTitle(alert), box));
    return box;
}

int answerOfClickedButton(const QMessageBox &box, const Alert &alert)
{
    const QAbstractButton *clicked = box.clickedButton();
    if (!clicked)
        return alert.cancelAnswer;
    const QVariant answer = clicked->property(kAnswerProperty);
    return answer.isValid() ? answer.toInt() : alert.cancelAnswer;
}

int WidgetDialogs::runAlert(const Alert &alert) { return runAlertWithSuppression(alert).answer; }

AlertOutcome WidgetDialogs::runAlertWithSuppression(const Alert &alert)
{
    QPointer<QMessageBox> box = makeMessageBox(alert, QApplication::activeWindow());
    box->setWindowModality(Qt::ApplicationModal);
    box->exec();
    if (!box)
        return {alert.cancelAnswer, false};
    AlertOutcome outcome;
    outcome.answer = answerOfClickedButton(*box, alert);
    outcome.suppressionChecked = box->checkBox() && box->checkBox()->isChecked();
    delete box;
    return outcome;
}

QString savePanelPathWithExtension(const QString &chosen, const QStringList &allowedExtensions)
{
    if (chosen.isEmpty() || allowedExtensions.isEmpty())
        return chosen;
    const QString suffix = QFileInfo(chosen).suffix();
    for (const QString &extension : allowedExtensions) {
        if (suffix.compare(extension, Qt::CaseInsensitive) == 0)
            return chosen;
    }
    return chosen + QLatin1Char('.') + allowedExtensions.first();
}

namespace {

// Runs a file dialog modally; the first selected file, or nothing when
// cancelled.
std::optional<QString> runFileDialog(const QString &title, const QString &folder, const QStringList &extensions,
                                     bool save, const QString &suggestedFileName)
{
    QPointer<QFileDialog> dialog = new QFileDialog(QApplication::activeWindow(), title, folder);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setWindowModality(Qt::ApplicationModal);
    if (!extensions.isEmpty()) {
        QStringList patterns;
        for (const QString &extension : extensions)
            patterns.append(QStringLiteral("*.") + extension);
        dialog->setNameFilter(title + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
        if (save)
            dialog->setDefaultSuffix(extensions.first());
    }
    if (!suggestedFileName.isEmpty())
        dialog->selectFile(suggestedFileName);
    const int result = dialog->exec();
    if (!dialog)
        return std::nullopt;
    const QStringList files = dialog->selectedFiles();
    delete dialog;
    if (result != QDialog::Accepted || files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    return files.first();
}

} // namespace

std::optional<QString> WidgetDialogs::runSavePanel(const SavePanel &panel)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const std::optional<QString> chosen =
        runFileDialog(panel.title, folder, panel.allowedExtensions, true, panel.suggestedFileName);
    if (!chosen)
        return std::nullopt;
    return savePanelPathWithExtension(*chosen, panel.allowedExtensions);
}

std::optional<QString> WidgetDialogs::runOpenPanel(const OpenPanel &panel)
{
    return runFileDialog(panel.title, QDir::homePath(), panel.allowedExtensions, false, QString());
}

namespace {

const char kChoiceProperty[] = "tolvanePanelChoice";

QList<QComboBox *> choicePopUps(const QFileDialog &dialog)
{
    QList<QComboBox *> popUps;
    for (QComboBox *box : dialog.findChildren<QComboBox *>()) {
        if (box->property(kChoiceProperty).isValid())
            popUps.append(box);
    }
    std::sort(popUps.begin(), popUps.end(), [](QComboBox *a, QComboBox *b) {
        return a->property(kChoiceProperty).toInt() < b->property(kChoiceProperty).toInt();
    });
    return popUps;
}

} // namespace

QList<PanelChoice> choicesOf(const QFileDialog &dialog, const QList<PanelChoice> &shown)
{
    QList<PanelChoice> choices = shown;
    const QList<QComboBox *> popUps = choicePopUps(dialog);
    for (qsizetype i = 0; i < choices.size() && i < popUps.size(); ++i)
        choices[i].selected = popUps[i]->currentIndex();
    return choices;
}

QFileDialog *makeOpenPanelWithChoices(const OpenPanelWithChoices &panel, QWidget *parent)
{
    auto *dialog = new QFileDialog(parent, panel.panel.title, QDir::homePath());
    dialog->setOption(QFileDialog::DontUseNativeDialog, true);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    if (!panel.panel.allowedExtensions.isEmpty()) {
        QStringList patterns;
        for (const QString &extension : panel.panel.allowedExtensions)
            patterns.append(QStringLiteral("*.") + extension);
        dialog->setNameFilter(panel.panel.title + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                              QLatin1Char(')'));
    }
    auto *grid = qobject_cast<QGridLayout *>(dialog->layout());
    if (!grid)
        return dialog;
    int row = grid->rowCount();
    for (qsizetype i = 0; i < panel.choices.size(); ++i, ++row) {
        const PanelChoice &choice = panel.choices.at(i);
        auto *popUp = new QComboBox(dialog);
        popUp->addItems(choice.items);
        popUp->setCurrentIndex(choice.selected);
        popUp->setProperty(kChoiceProperty, int(i));
        grid->addWidget(new QLabel(choice.title, dialog), row, 0);
        grid->addWidget(popUp, row, 1, 1, grid->columnCount() - 1);
    }
    if (panel.selectionDidChange) {
        const auto changed = panel.selectionDidChange;
        const QList<PanelChoice> shown = panel.choices;
        QObject::connect(dialog, &QFileDialog::currentChanged, dialog, [dialog, changed, shown](const QString &path) {
            QList<PanelChoice> choices = choicesOf(*dialog, shown);
            changed(path, choices);
            const QList<QComboBox *> popUps = choicePopUps(*dialog);
            for (qsizetype i = 0; i < choices.size() && i < popUps.size(); ++i)
                popUps[i]->setCurrentIndex(choices[i].selected);
        });
    }
    return dialog;
}

std::optional<OpenPanelResult> WidgetDialogs::runOpenPanelWithChoices(const OpenPanelWithChoices &panel)
{
    QPointer<QFileDialog> dialog = makeOpenPanelWithChoices(panel, QApplication::activeWindow());
    dialog->setWindowModality(Qt::ApplicationModal);
    const int result = dialog->exec();
    if (!dialog)
        return std::nullopt;
    const QStringList files = dialog->selectedFiles();
    const QList<PanelChoice> choices = choicesOf(*dialog, panel.choices);
    delete dialog;
    if (result != QDialog::Accepted || files.isEmpty() || files.first().isEmpty())
        return std::nullopt;
    return OpenPanelResult{files.first(), choices};
}

void applyPrintInfoToPrinter(const PrintInfo &printInfo, QPrinter &printer)
{
    if (!printInfo.printerName.isEmpty())
        printer.setPrinterName(printInfo.printerName);
    const QSizeF size = printInfo.paperSize;
    const QSizeF portrait(std::min(size.width(), size.height()), std::max(size.width(), size.height()));
    const QPageSize pageSize = portrait.width() > 0 ? QPageSize(portrait, QPageSize::Point, printInfo.paperName)
                                                    : QPageSize(QPageSize::Letter);
    const QPageLayout layout(
        pageSize,
        printInfo.orientation == PrintInfo::Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(printInfo.leftMargin, printInfo.topMargin, printInfo.rightMargin, printInfo.bottomMargin),
        QPageLayout::Point, QMarginsF());
    printer.setPageLayout(layout);
}

PrintInfo printInfoFromPrinter(const QPrinter &printer, const PrintInfo &base)
{
    PrintInfo info = base;
    const QPageLayout layout = printer.pageLayout();
    const QPageSize pageSize = layout.pageSize();
    info.paperSize = pageSize.size(QPageSize::Point);
    if (!pageSize.name().isEmpty())
        info.paperName = pageSize.name();
    info.orientation = layout.orientation() == QPageLayout::Landscape ? PrintInfo::Orientation::Landscape
                                                                      : PrintInfo::Orientation::Portrait;
    const QMarginsF margins = layout.margins(QPageLayout::Point);
    info.leftMargin = margins.left();
    info.topMargin = margins.top();
    info.rightMargin = margins.right();
    info.bottomMargin = margins.bottom();
    if (!printer.printerName().isEmpty())
        info.printerName = printer.printerName();
    return info;
}

namespace {

// Runs a dialog on the printer of the print info. The accessory edits the
// print info the dialog shows: it sees the settings first and has the last
// word on what the dialog chose.
std::optional<PrintInfo> runPrinterDialog(const PrintInfo &printInfo, PageSetupAccessory *accessory,
                                          const std::function<QDialog *(QPrinter *)> &makeDialog)
{
    PrintInfo shown = printInfo;
    if (accessory) {
        accessory->setAccessoryPrintInfo(printInfo);
        shown = accessory->accessoryPrintInfo();
    }
    QPrinter printer(QPrinter::HighResolution);
    applyPrintInfoToPrinter(shown, printer);
    QPointer<QDialog> dialog = makeDialog(&printer);
    dialog->setWindowModality(Qt::ApplicationModal);
    const int result = dialog->exec();
    if (!dialog)
        return std::nullopt;
    delete dialog;
    if (result != QDialog::Accepted)
        return std::nullopt;
    PrintInfo chosen = printInfoFromPrinter(printer, shown);
    if (accessory) {
        accessory->setAccessoryPrintInfo(chosen);
        chosen = accessory->accessoryPrintInfo();
    }
    return chosen;
}

} // namespace

std::optional<PrintInfo> WidgetDialogs::runPageSetup(const PrintInfo &printInfo, PageSetupAccessory *accessory)
{
    return runPrinterDialog(printInfo, accessory, [](QPrinter *printer) -> QDialog * {
        return new QPageSetupDialog(printer, QApplication::activeWindow());
    });
}

std::optional<PrintInfo> WidgetDialogs::runPrintPanel(const PrintInfo &printInfo, PageSetupAccessory *accessory)
{
    return runPrinterDialog(printInfo, accessory, [](QPrinter *printer) -> QDialog * {
        auto *dialog = new QPrintDialog(printer, QApplication::activeWindow());
        // The printer is the user's choice; what is printed, on which paper
        // and how often is the caller's.
        dialog->setOption(QAbstractPrintDialog::PrintToFile, false);
        dialog->setOption(QAbstractPrintDialog::PrintSelection, false);
        dialog->setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog->setOption(QAbstractPrintDialog::PrintShowPageSize, false);
        dialog->setOption(QAbstractPrintDialog::PrintCollateCopies, false);
        dialog->setOption(QAbstractPrintDialog::PrintCurrentPage, false);
        return dialog;
    });
}

void registerWidgetDialogs() { setDialogs(std::make_shared<WidgetDialogs>()); }

} // namespace tolvane
