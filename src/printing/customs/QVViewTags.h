#pragma once
// Tags of the views of a layout: an integer that a layout gives a view (the
// dynamic property "tag" of the Qt Designer form) so that code finds the view
// by its role rather than its name. Views without one have tag 0.
#include <QWidget>

namespace tolvane {

inline const char *const QVViewTagProperty = "tag";

int viewTag(const QWidget *view);
void setViewTag(QWidget *view, int tag);
// The view itself when it has the tag, else the first of its descendants
// (depth first, in child order) that has it; null when none has.
QWidget *viewWithTag(QWidget *view, int tag);

} // namespace tolvane
