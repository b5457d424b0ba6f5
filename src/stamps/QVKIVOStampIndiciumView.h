#pragma once
// The roll stamp: the stamp indicium view of the label roll, 460 x 305
// points from its form "KivoStampView", with the symbol upright. It is drawn
// as a PDF and that PDF is scaled onto the 92 x 61 point stamp area of the
// roll label.
#include "barcodes/indicia/QVStampIndiciumView.h"

class QVKIVOStampIndiciumView : public tolvane::QVStampIndiciumView
{
    Q_OBJECT

public:
    explicit QVKIVOStampIndiciumView(QWidget *parent = nullptr);
};
