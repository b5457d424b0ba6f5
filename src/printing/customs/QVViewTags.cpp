#include "printing/customs/QVViewTags.h"

#include <QVariant>

namespace tolvane {

int viewTag(const QWidget *view)
{
    if (!view)
        return 0;
    bool ok = false;
    const int tag = view->property(QVViewTagProperty).toInt(&ok);
    return ok ? tag : 0;
}

void setViewTag(QWidget *view, int tag) { view->setProperty(QVViewTagProperty, tag); }

QWidget *viewWithTag(QWidget *view, int tag)
{
    if (!view)
        return nullptr;
    if (viewTag(view) == tag)
        return view;
    for (QObject *child : view->children()) {
        if (auto *widget = qobject_cast<QWidget *>(child)) {
            if (QWidget *found = viewWithTag(widget, tag))
                return found;
        }
    }
    return nullptr;
}

} // namespace tolvane
