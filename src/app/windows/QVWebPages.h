#pragma once
// The menu actions that open web pages, files and folders in the user's own
// programs (through the UrlOpener, so tests record them).
//
// Hosts are settings (user defaults); an empty setting takes the built-in
// value below. USPS's pages are on its public hosts; the vendor's own pages
// are on its web site, the host of "tolvaneWebSite" (the same setting as the
// postage client's account links); the pages of outside parties (the
// merchandise store, the remote-support service) are whole addresses. The
// vendor's and the outside parties' addresses are not known here: their
// built-in values lie under the reserved domain ".invalid", so nothing is
// reached until a setting names the real page.
//
//   action                               page
//   launchHelp:                          stamps-only edition: https://<vendor
//                                        site>/ZevavoredAzozuduForMacHelp/
//                                        for a ZPM account, else
//                                        /KIVOStampsForMacHelp/; otherwise the
//                                        bundled help book
//                                        "Tolvane Help/TolvaneHelp.html"
//   launchUSPSExpressMailCommitments…:   https://<calculator>/servicecommitments.aspx
//   launchUSPSMailpieceSizeChart:        https://<calculator>/MailpieceDimensions.asp
//   launchUSPSGlobalSite:                https://<USPS site>/international/
//   launchUSPSSuppliesSite:              https://<vendor site>/ShopUSPS/
//   launchTolvaneInsuranceInformation:   https://<vendor site>/Pricing/Insurance/
//   launchChatLink:                      chatSupportLink(): https://<vendor site>/support/live-chat
//   launchDravelSupplyStore:             the merchandise page setting
//   launchRemoteSupportConnection:       the remote-support page setting
//   launchTolvaneSupplyStore:, launchTessaroSupplyStore:,
//   launchLogAtTolvaneDotCom:, launchAccountOnTolvaneDotCom:,
//   launchTolvaneScanFormCreation:, launchChangePaymentOnTolvaneDotCom:,
//   launchRefundRequest:                 the postage client's storeURL,
//                                        tessaroSuppliesURL, logURL,
//                                        postageAccountURL, scanFormCreationURL,
//                                        changePaymentURL, refundRequestURL
//                                        (nothing before a valid status)
//   launchAddressBook:                   the vCard folder (addressBookFolder())
//   showAcks:                            the bundled "Acknowledgments.html"
// A page without an address (no status yet, a setting that is not a web
// address, a missing file) opens nothing and says so on the console.
#include "platform/VCardFolder.h"

#include <QString>
#include <QUrl>

#include <optional>

class QVMenuActions;

// Settings of the hosts and pages.
inline const QString QVUSPSPostageCalculatorServerDefaultsKey = QStringLiteral("uspsPostageCalculatorServer");
inline const QString QVUSPSWebSiteDefaultsKey = QStringLiteral("uspsWebSite");
inline const QString QVVendorWebSiteDefaultsKey = QStringLiteral("tolvaneWebSite");
inline const QString QVMerchandiseStoreURLDefaultsKey = QStringLiteral("merchandiseStoreURL");
inline const QString QVRemoteSupportURLDefaultsKey = QStringLiteral("remoteSupportURL");
// The folder of vCard files that stands in for the address book (the
// drawer's folder).
inline const QString &QVAddressBookFolderDefaultsKey = VCardFolderDefaultsKey;

// Built-in values of those settings.
inline const QString QVUSPSPostageCalculatorServerBuiltIn = QStringLiteral("postcalc.usps.com");
inline const QString QVUSPSWebSiteBuiltIn = QStringLiteral("www.usps.com");
inline const QString QVVendorWebSiteBuiltIn = QStringLiteral("www.tolvane.invalid");
inline const QString QVMerchandiseStoreURLBuiltIn = QStringLiteral("https://store.merchandise.invalid/tolvane-shirt");
inline const QString QVRemoteSupportURLBuiltIn = QStringLiteral("https://remote-support.invalid/");

// The page an action opens now; nothing when it has no address (see above).
std::optional<QUrl> webPageURLForAction(const QString &action);
// Every action of the table above.
QStringList webPageActions();
// The vendor's live-chat page.
std::optional<QUrl> chatSupportLink();

// The folder of vCard files, the one the address drawer lists: the setting
// "addressBookFolder" when set, else "Address Book" in the
// application-support folder; created when missing. Empty when it cannot be
// made.
QString addressBookFolder();

// Opens the URL through the UrlOpener (launchURL:); false for none.
bool launchURL(const std::optional<QUrl> &url);

// Registers a handler for every action of the table.
void registerWebPageActions(QVMenuActions &actions);
