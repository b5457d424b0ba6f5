// MasterController: the main window's own keys. Command-Up and Command-Down
// step the weight; with Option as well they step the stamp window's sheet
// count in the stamp mode and do nothing in the standard mode; Command-P or
// Option-P prints in the standard mode. Every other key goes on to the
// window's ordinary dispatch. Command is Ctrl and Option is Alt here.
#include "app/mainwindow/MasterController.h"

namespace {

// Set by the first key-down or mouse-down that reaches the window.
bool &firstWindowEventSeen()
{
    static bool seen = false;
    return seen;
}

} // namespace

MasterKeyCommand MasterController::windowKeyCommand(int key, Qt::KeyboardModifiers modifiers, bool stampMode)
{
    const bool command = modifiers.testFlag(Qt::ControlModifier);
    const bool option = modifiers.testFlag(Qt::AltModifier);
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && command) {
        const bool up = key == Qt::Key_Up;
        if (option) {
            if (!stampMode)
                return MasterKeyCommand::Swallow;
            return up ? MasterKeyCommand::SheetCountUp : MasterKeyCommand::SheetCountDown;
        }
        return up ? MasterKeyCommand::WeightUp : MasterKeyCommand::WeightDown;
    }
    // "p", not "P": Shift makes another key.
    if (key == Qt::Key_P && (command || option) && !modifiers.testFlag(Qt::ShiftModifier) && !stampMode)
        return MasterKeyCommand::PrintTheLabel;
    return MasterKeyCommand::PassOn;
}

bool MasterController::windowKeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const MasterKeyCommand command = windowKeyCommand(key, modifiers, !m_env.shell->isStandardPrintingMode());
    switch (command) {
    case MasterKeyCommand::PassOn:
        return false;
    case MasterKeyCommand::Swallow:
        break;
    case MasterKeyCommand::WeightUp:
        weightUp();
        break;
    case MasterKeyCommand::WeightDown:
        weightDown();
        break;
    case MasterKeyCommand::SheetCountUp:
        m_env.stampWindow->sheetCountUp();
        break;
    case MasterKeyCommand::SheetCountDown:
        m_env.stampWindow->sheetCountDown();
        break;
    case MasterKeyCommand::PrintTheLabel:
        if (m_view)
            m_view->commitEditing();
        m_env.printing->printTheLabel();
        break;
    }
    return true;
}

void MasterController::windowEventSeen(bool hasChildWindows)
{
    if (firstWindowEventSeen())
        return;
    firstWindowEventSeen() = true;
    if (hasChildWindows)
        m_env.handOvers->showOverlay();
}

void MasterController::resetFirstWindowEventForTesting() { firstWindowEventSeen() = false; }
