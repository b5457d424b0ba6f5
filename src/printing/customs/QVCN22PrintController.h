#pragma once
// The CN22 customs form that USPS Web Tools makes for a piece of the generic
// form type, printed on one US Letter page from the layout "CN22": the form
// image (customsView), the instructions image (instructionsView, only when
// the print flow gives it), the date in both date fields ("MM/dd/yy") and the
// sender's signature image in both signature views.
//
// When the layout loads the dates are empty and the signature is read from
// the file named by the user default "signatureImagePath" (no signature when
// the default is unset or the file is not an image). Main thread only.
#include "printing/layouts/QVLayoutViews.h"

#include <QDate>
#include <QImage>
#include <QWidget>

#include <memory>
#include <optional>

namespace tolvane {

class QVTextField;

class QVCN22PrintController
{
public:
    QVCN22PrintController();
    ~QVCN22PrintController();
    QVCN22PrintController(const QVCN22PrintController &) = delete;
    QVCN22PrintController &operator=(const QVCN22PrintController &) = delete;

    // The form image (use customsImageWithData for the service's data).
    void setImage(const QVLayoutImage &image);
    // The instructions image (the name is spelled as the callers know it).
    void setInstuctionsImage(const QVLayoutImage &image);
    // Both date fields; nothing empties them.
    void setDate(const std::optional<QDate> &date);
    // Both signature views.
    void setSignatureImage(const QImage &image);
    // The page to print (the layout's content view).
    QWidget *printView() const { return m_content.get(); }

    QVImageView *customsView() const { return m_customsView; }
    QVImageView *instructionsView() const { return m_instructionsView; }
    QVTextField *date1() const { return m_date1; }
    QVTextField *date2() const { return m_date2; }
    QVImageView *sig1() const { return m_sig1; }
    QVImageView *sig2() const { return m_sig2; }

private:
    std::unique_ptr<QWidget> m_content;
    QVImageView *m_customsView = nullptr;
    QVImageView *m_instructionsView = nullptr;
    QVTextField *m_date1 = nullptr;
    QVTextField *m_date2 = nullptr;
    QVImageView *m_sig1 = nullptr;
    QVImageView *m_sig2 = nullptr;
};

// The signature image of the user default "signatureImagePath" (the path
// standardised: "~" expanded, "." and ".." resolved); a null image when the
// default is unset or the file is not an image.
QImage customsSignatureImage();

// The date as the customs forms print it: "MM/dd/yy".
QString customsDateString(const QDate &date);

} // namespace tolvane
