#pragma once
// Package processing: one Glimra "Package" (its property-list form) applied
// to the main window's current shipment through the window's own operations,
// so that the window shows what a user would have entered by hand; then the
// delivery address is standardised. Nothing is printed here.
//
// The callers are the Glimra document processing, the "newShipment2" URL
// command and the web-store order import; all use the same element names.
// Every value is read as text (attributes and text-only child elements are
// alike, and trimmed); keywords compare ignoring case. An absent element
// leaves the shipment, the window and the user defaults as they are.
//
// Effects: the window's shipment, fields and Priority Mail Express check
// boxes; the saved return address "x-automation" (which stays selected); the
// user defaults "confirmationService", "useInsurance", "useStealth" and
// "printCustomsSendersCopy". A package that fails keeps the changes of the
// steps before the failure.
//
// Failure reasons (set through the environment): a weight that is not a
// finite number of ounces above zero, a scale that gave no reading, a piece
// too heavy for the class (typed in, or in automation mode), an unknown
// destination country, a class not offered there for the piece, and an
// address that cannot be standardised (what the address correction
// reports). Main thread only.
#include "printing/flow/QVPrintFlowServices.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

// The nickname of the return address that a package gives.
inline const QString QVAutomationReturnAddressNickname = QStringLiteral("x-automation");

// User defaults that packages set.
inline const QString QVConfirmationServiceKey = QStringLiteral("confirmationService");
inline const QString QVUseInsuranceKey = QStringLiteral("useInsurance");
inline const QString QVUseStealthKey = QStringLiteral("useStealth");

// The failure texts of the package processing.
inline const QString QVPackageTooHeavyReason =
    QStringLiteral("Your package is too heavy for the selected rate class and mailpiece type. Please choose an "
                   "alternate rate class or mailpiece.");

struct QVPackageEnvironment {
    std::function<std::shared_ptr<QVMainWindowHost>()> window;
    std::function<std::shared_ptr<QVPrintFlowHost>()> delegate;
    // The USB scale in whole ounces; nothing when no scale answered.
    std::function<std::optional<int>()> scaleOunces;
    // Whether the account may use the piece size.
    std::function<bool(const QString &size)> allowedSize;
    std::function<void(const QString &reason)> setFailureReason;

    // The program's: the registered main window and delegate, the USB scale,
    // the account-information client.
    static QVPackageEnvironment program(std::function<void(const QString &)> setFailureReason);
};

class QVPackageProcessor
{
public:
    explicit QVPackageProcessor(QVPackageEnvironment environment);

    // Applies the package; true when it was applied and its delivery address
    // standardised.
    bool processPackage(const QVariantMap &package);
    // The package's weight in whole ounces as read from "WeightOz" (rounded
    // up); 0 at the start of every package and without a weight.
    int packageWeight() const { return m_weight; }

    // The two tables: upper-cased "MailClass" to rate-class name,
    // upper-cased "PackageType" to piece size.
    static const QVariantMap &XML_mailClassMap();
    static const QVariantMap &XML_mailpieceSizeMap();

private:
    struct Run;
    QVPackageEnvironment m_env;
    int m_weight = 0;
};
