#pragma once
// Preparation of tracking, confirmation and customs numbers for the Code 128
// encoder: "~999" marks where FNC1 goes (see barcodes/linear/Code128.h).
// Free functions over plain texts, the receiver first.

#include <QString>

namespace tolvane {

// The number unchanged.
QString stringByEncodingCustomsBarcodeNumber(const QString &number);

// Every "*" replaced by "~999" when the number holds one; else the number
// without white space.
QString stringByEncodingUSPSExpressMailTrackingNumber(const QString &number);

// Every "*" replaced by "~999" when the number holds one; else for a "420"
// number (routing prefix "420" + 5-digit ZIP Code + tracking number): "420",
// the ZIP Code, "~999", then the tracking number; else for a number
// beginning "9" the number itself. Anything else, and a "420" number whose
// ZIP Code is not 5 digits or that has fewer than 10 characters, is a bad
// number: a console line and the empty text.
QString stringByEncodingUSPSConfirmationNumber(const QString &number);

} // namespace tolvane
