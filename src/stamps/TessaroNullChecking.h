#pragma once
// Small helpers of the stamp code: the number of stamps in a list that
// marks blank positions and failed purchases with nothing, and the tag of a
// pop-up's selected item.
#include <QComboBox>
#include <QList>

#include <memory>

// tolvaneTessaroCountOfNonNullObjects: the entries that are not nothing.
template <class T> qsizetype tolvaneTessaroCountOfNonNullObjects(const QList<std::shared_ptr<T>> &list)
{
    qsizetype count = 0;
    for (const auto &entry : list)
        count += entry ? 1 : 0;
    return count;
}

// tagOfSelectedItem: the integer item data of the selected item; 0 when
// nothing is selected.
inline int tagOfSelectedItem(const QComboBox &popUp)
{
    return popUp.currentIndex() < 0 ? 0 : popUp.currentData().toInt();
}
