#include "stamps/QVKIVOStampIndiciumView.h"

#include "ui_KivoStampView.h"

QVKIVOStampIndiciumView::QVKIVOStampIndiciumView(QWidget *parent)
    : tolvane::QVStampIndiciumView(QSize(460, 305), NoForm{}, parent)
{
    Ui::KivoStampView form;
    loadForm(form, 0);
}
