#include "app/mainwindow/MasterForm.h"

qsizetype FormMenu::indexOfTag(qsizetype tag) const
{
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (!items[i].separator && items[i].tag == tag)
            return i;
    }
    return -1;
}

FormMenuItem *FormMenu::itemWithTag(qsizetype tag)
{
    const qsizetype index = indexOfTag(tag);
    return index < 0 ? nullptr : &items[index];
}

const FormMenuItem *FormMenu::itemWithTag(qsizetype tag) const
{
    const qsizetype index = indexOfTag(tag);
    return index < 0 ? nullptr : &items[index];
}

qsizetype FormMenu::indexOfTitle(const QString &title) const
{
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (!items[i].separator && items[i].title == title)
            return i;
    }
    return -1;
}

const FormMenuItem *FormPopUp::selectedItem() const
{
    return selectedIndex >= 0 && selectedIndex < menu.items.size() ? &menu.items[selectedIndex] : nullptr;
}

std::optional<qsizetype> FormPopUp::selectedTag() const
{
    const FormMenuItem *item = selectedItem();
    if (!item)
        return std::nullopt;
    return item->tag;
}

bool FormPopUp::selectItemWithTag(qsizetype tag)
{
    const qsizetype index = menu.indexOfTag(tag);
    if (index < 0)
        return false;
    selectedIndex = index;
    return true;
}

void FormPopUp::setMenu(const FormMenu &newMenu)
{
    menu = newMenu;
    if (selectedIndex >= menu.items.size())
        selectedIndex = menu.items.isEmpty() ? -1 : 0;
}

void FormPopUp::setItemEnabled(qsizetype tag, bool enabled)
{
    if (FormMenuItem *item = menu.itemWithTag(tag))
        item->enabled = enabled;
}
