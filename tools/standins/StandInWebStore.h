#pragma once
// The stand-in of the vendor's web-store service (make run): one
// marketplace with two demo stores and a few open orders, on a loopback
// HTTPS port of its own. It speaks the service's REST documents:
//   GetWebStoreList        the marketplace and its stores;
//   GetSellerTransactions  the open orders of the store named by "WebStoreId";
//   CompleteSales          takes the order off the open orders;
//   RevertSales            accepted (the demo keeps no shipped orders).
// A request whose "AccountNumber" is not the demo account's, or that is no
// XML, is answered with a service fault ("Fault.Detail.Error.Message").
#include "LocalHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QString>
#include <QVariantMap>

class StandInWebStore
{
public:
    explicit StandInWebStore(const QByteArray &accountNumber);

    bool isListening() const { return m_server.isListening(); }
    // The settings that point the application at this service.
    QVariantMap settings() const;
    // A line for the console.
    QString description() const;

private:
    struct Order {
        QByteArray storeId;
        QByteArray xml; // one "WebStoreOrder" element
        QByteArray orderId;
    };
    tolvane::test::ScriptedReply answer(const QByteArray &operation, const tolvane::test::RecordedRequest &request);

    QByteArray m_account;
    mutable QMutex m_mutex;
    QList<Order> m_orders;
    tolvane::test::LocalHttpServer m_server{tolvane::test::LocalHttpServer::Scheme::Https};
};
