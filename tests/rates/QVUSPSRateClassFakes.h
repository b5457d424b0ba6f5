#pragma once
// In-memory stand-ins for the account-information and partner label clients,
// registered by the rate-class tests, with the test fixture and the file
// paths that these tests share.
#include "TestSupport.h"
#include "model/ClientServices.h"
#include "platform/UserDefaults.h"

#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

class FakeAccountInformation final : public QVAccountInformationServices
{
public:
    bool cubic = false;
    bool adult = false;
    bool regionalRateBox = true;
    bool parcelSelectDisabled = false;
    bool standardPostAllowed = false;
    bool halfPoundRate = true;
    int discountLevel = 0;
    std::vector<std::pair<QString, QString>> discountLevelQuestions;

    bool pmCubicPricing() override { return cubic; }
    bool adultSignature() override { return adult; }
    bool pmRegionalRateBox() override { return regionalRateBox; }
    bool disableParcelSelect() override { return parcelSelectDisabled; }
    bool standardPost() override { return standardPostAllowed; }
    bool pmHalfPoundRate() override { return halfPoundRate; }
    int discountLevelForRateClassName(const QString &name, const QString &size) override
    {
        discountLevelQuestions.emplace_back(name, size);
        return discountLevel;
    }
};

class FakePartnerLabelService final : public QVPartnerLabelServices
{
public:
    bool allowed = false;
    bool authenticated = true;

    bool isAllowed() override { return allowed; }
    bool isAuthenticated() override { return authenticated; }
};

// A test run with fresh user defaults and a FakeAccountInformation as the
// account-information client.
class FakeAccountTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        account = std::make_shared<FakeAccountInformation>();
        setAccountInformationServices(account);
    }
    void TearDown() override
    {
        setAccountInformationServices(nullptr);
        UserDefaults::resetStandardUserDefaults();
    }

    std::shared_ptr<FakeAccountInformation> account;
};

// A fixture file of the rate tests (tests/rates/data), as a path for the
// engine's loaders.
using tolvane::test::fixture;

// A file the program ships (resources/), as a path for the engine's loaders.
inline std::string shipped(const char *name) { return std::string(TOLVANE_SOURCE_DIR) + "/resources/" + name; }
