#pragma once
// Fills a format text of the platform's string-format form with arguments,
// safely: the format may come from a resource or another program, so nothing
// in it can read past the arguments or be misread as another type.
//
// Directives: "%%" is a percent sign; otherwise
//   % [n$] [flags -0+ space] [width] [.precision] [length hh h l ll q z t j L] conversion
// with the conversions @ (any value as its text), d i (integers), u, x X o
// (unsigned, hexadecimal, octal), f F e E g G (reals), s S (text), c C (one
// character). Arguments are taken in order, or by position with "n$"
// (1-based). A directive whose argument is missing becomes empty text; an
// argument of another kind is converted (a text as a number reads as that
// number, else 0); an unknown or unfinished directive is copied as it is.
// Widths and precisions above 512 count as 512.
#include <QString>
#include <QVariantList>

QString formatWithArguments(const QString &format, const QVariantList &arguments);
