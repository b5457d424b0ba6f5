#pragma once
// In-memory stand-ins for the account-information and partner label clients,
// registered by the rate-class tests.
#include "model/ClientServices.h"

#include <QString>

#include <memory>
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
