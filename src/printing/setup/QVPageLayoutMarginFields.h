#pragma once
// The accessory of the page-layout sheet of a plain-paper purpose: four
// margin fields (top, bottom, left, right) in inches, that is the print
// info's margins in points / 72. When the sheet is confirmed the margins are
// set from the fields (inches x 72).
#include "platform/Dialogs.h"
#include "platform/PrintInfo.h"

class QVPageLayoutMarginFields final : public PageSetupAccessory
{
public:
    double top = 0;
    double bottom = 0;
    double left = 0;
    double right = 0;

    // The print info with the fields' margins.
    PrintInfo accessoryPrintInfo() const override
    {
        PrintInfo info = m_printInfo;
        applyMargins(info);
        return info;
    }
    // Takes the print info and fills the fields from its margins.
    void setAccessoryPrintInfo(const PrintInfo &printInfo) override
    {
        m_printInfo = printInfo;
        top = printInfo.topMargin / 72.0;
        bottom = printInfo.bottomMargin / 72.0;
        left = printInfo.leftMargin / 72.0;
        right = printInfo.rightMargin / 72.0;
    }
    // Sets the margins of the print info from the fields.
    void applyMargins(PrintInfo &info) const
    {
        info.topMargin = top * 72.0;
        info.bottomMargin = bottom * 72.0;
        info.leftMargin = left * 72.0;
        info.rightMargin = right * 72.0;
    }

private:
    PrintInfo m_printInfo;
};
