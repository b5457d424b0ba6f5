#pragma once
// Shared set-up of the stamp tests: the rate engine started, the shipped
// country list loaded, clean user defaults, and the two price-list dates.
#include "platform/Decimal.h"
#include "platform/UserDefaults.h"
#include "rateengine/RateCountries.h"
#include "rateengine/RateEngine.h"

#include "QtPrinters.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// Readable values in failure messages.
inline void PrintTo(const Decimal &value, std::ostream *out) { *out << value.toString().toStdString(); }

namespace tolvane::test {

// A day of the January 2014 prices and the first day of the September 2014
// prices.
inline QDateTime january2014() { return QDateTime(QDate(2014, 3, 1), QTime(12, 0)); }
inline QDateTime september2014() { return QDateTime(QDate(2014, 9, 7), QTime(0, 0)); }

class StampTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        InitializeRE("", "03/01/2014");
        const std::string countries = std::string(TOLVANE_SOURCE_DIR) + "/resources/country2013.dat";
        ASSERT_EQ(LoadCountry2013FileAtPath(countries.c_str()), 1);
    }
    void TearDown() override { UserDefaults::resetStandardUserDefaults(); }
};

} // namespace tolvane::test
