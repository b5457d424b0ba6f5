#pragma once
// The kinds of number a QVariant may hold (integers, reals and Decimal
// amounts), as stored values are told apart.
#include "platform/Decimal.h"

#include <QMetaType>
#include <QVariant>

// True for a value of any integer type (booleans are not integers here).
inline bool isIntegerVariant(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

// True for a double or a float.
inline bool isRealVariant(const QVariant &value)
{
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

// True for an integer or a real.
inline bool isNumberVariant(const QVariant &value) { return isIntegerVariant(value) || isRealVariant(value); }

// True for a Decimal (an amount).
inline bool isDecimalVariant(const QVariant &value) { return value.metaType() == QMetaType::fromType<Decimal>(); }
