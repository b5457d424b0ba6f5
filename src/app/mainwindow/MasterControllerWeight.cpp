// MasterController: stepping the weight box (buttons, Command-arrows, the
// stamp window's steps in its mode), the weight box taking the keyboard, and
// batch mode with its help in the destination box.
#include "app/mainwindow/MasterController.h"

#include "platform/Bundle.h"

#include <QFile>

namespace {

// The help document is a small bundled file; a bigger one is not ours.
constexpr qint64 kMaximumHelpSize = 256 * 1024;

} // namespace

void MasterController::weightUp()
{
    if (!m_env.shell->isStandardPrintingMode()) {
        m_env.stampWindow->rateUp();
        return;
    }
    stepWeight(+1);
}

void MasterController::weightDown()
{
    if (!m_env.shell->isStandardPrintingMode()) {
        m_env.stampWindow->rateDown();
        return;
    }
    stepWeight(-1);
}

void MasterController::stepWeight(int step)
{
    const FormComboBox &box = m_form.weight();
    const qsizetype next = box.selectedIndex + step;
    // The heaviest entry goes no higher; the lightest (or none) no lower.
    if (step > 0 ? box.selectedIndex >= box.values.size() - 1 : box.selectedIndex <= 0)
        return;
    if (next < 0 || next >= box.values.size())
        return;
    if (m_view)
        m_view->commitEditing();
    m_form.makeFirstResponder(std::nullopt);
    FormComboBox &weight = m_form.weight();
    weight.selectedIndex = next;
    weight.text = weight.values[next];
    packagePropertiesChanged(FormControl::Weight);
    windowUpdate();
    m_form.makeFirstResponder(FormControl::Weight);
}

void MasterController::selectRateWeight()
{
    packagePropertiesChanged(FormControl::Weight);
    windowUpdate();
    std::weak_ptr<int> alive = m_alive;
    m_env.scheduler->callAfter(0, [this, alive] {
        if (!alive.expired())
            m_form.makeFirstResponder(FormControl::Weight, true);
    });
}

// ---- Batch mode ------------------------------------------------------------------

QString MasterController::batchHelpHTML()
{
    QFile file(Bundle::pathForResource(QStringLiteral("batchprintingwithvcards"), QStringLiteral("html")));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > kMaximumHelpSize)
        return QString();
    return QString::fromUtf8(file.readAll());
}

void MasterController::enterBatchPrintWithAddresses(const QList<QVAddress> &addresses)
{
    if (addresses.isEmpty())
        return;
    // The destination box shows the batch help (the view reads
    // batchHelpHTML() while in batch mode): not editable, no scroller.
    m_form.field(FormControl::ToAddress).enabled = false;
    m_batchMode = true;
    m_batchAddresses = addresses;
    setDragEnabled(false);
    run(m_env.hooks.updatePrintButton);
    m_form.field(FormControl::VerifyButton).enabled = false;
}

void MasterController::leaveBatchPrint()
{
    if (!m_batchMode)
        return;
    m_batchMode = false;
    m_batchAddresses.clear();
    m_form.field(FormControl::VerifyButton).enabled = true;
    m_form.field(FormControl::ToAddress).enabled = true;
    m_needsUpdate = true;
}
