#pragma once
// QVUSPSAPI: one USPS Web Tools request. A named API whose request XML is
// built from the templates of the bundle resource "USPSAPI" (a property list:
// API name -> {"request": {"body", "wrapper", "limit"}, "responseStart",
// "isSecure"}) and filled with replacement variables.
//
// Building: every replacement dictionary fills one copy of "request.body"
// (placeholders "<%name%>"; a placeholder without a value is removed); the
// joined bodies fill the placeholder "body" of "request.wrapper" (other
// placeholders stay, "userid" and "password" are filled when the request is
// sent). More dictionaries than "request.limit" (a missing limit is 0), an
// API that the list does not name, or a list that cannot be loaded: no
// request, and a console line saying why.
//
// Values: every value is text (a number is written as its decimal text).
// The request travels as the form field "XML" whose "%" escapes are left as
// they are, so each value is made safe for both the XML and the form before
// it is filled in: "%" becomes "%25" (so "%26" is sent as "%2526"), the XML
// special characters "&", "<", ">", '"' and "'" become their entities, and
// then every "&" becomes "%26" ("A&B" is filled in as "A%26amp;B" and reaches
// the server, after form decoding, as "A&amp;B"). A value that is already an
// XML fragment (QVUSPSMarkup, whose texts were made safe the same way by
// uspsTextValue) only has its "&" turned into "%26".
//
// The form body: "API=" + name ("TrackV2Field" is sent as "TrackV2") +
// "&XML=" + the filled XML reduced to ASCII (accents dropped, other
// characters "?") with every byte but letters, digits, "-._~" and "%"
// percent-escaped.
//
// The template list is loaded on first use and kept; while it cannot be
// loaded every use tries again. Main thread.
#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

#include <optional>

// A replacement value that is an XML fragment of the request (the customs
// items): filled in as markup, not as text.
struct QVUSPSMarkup {
    QString xml;
    friend bool operator==(const QVUSPSMarkup &a, const QVUSPSMarkup &b) { return a.xml == b.xml; }
};
Q_DECLARE_METATYPE(QVUSPSMarkup)

// The text made safe for the body of a markup value: "%" -> "%25", then the
// XML special characters as entities (see above).
QString uspsTextValue(const QString &text);

// The value at a dotted key path of nested dictionaries; an invalid QVariant
// when a step is missing or not a dictionary.
QVariant uspsValueForKeyPath(const QVariantMap &dictionary, const QString &keyPath);
// Stores the value at the key path, making the dictionaries on the way
// (a step that holds something else is replaced by a dictionary).
void uspsSetValueForKeyPath(QVariantMap &dictionary, const QString &keyPath, const QVariant &value);

// A reply value as text: a text as it is, an empty element (an empty
// dictionary or list) as the empty text, anything else as its description.
QString uspsReplyText(const QVariant &value);

class QVUSPSAPI
{
public:
    // The template list; nothing when the resource is missing or is not a
    // dictionary.
    static std::optional<QVariantMap> APIDictionary();
    // For tests: a list used in place of the resource (nothing: the
    // resource again, or, with `missing`, no list at all).
    static void setAPIDictionaryForTesting(const std::optional<QVariantMap> &dictionary, bool missing = false);

    static std::optional<QVUSPSAPI> apiWithAPI(const QString &api, const QList<QVariantMap> &replacementVariableArray);
    static std::optional<QVUSPSAPI> apiWithAPI(const QString &api, const QVariantMap &replacementVariables);

    QString api() const { return m_api; }
    QString requestXML() const { return m_requestString; }
    void setRequestXML(const QString &xml) { m_requestString = xml; }

    // "request.limit", "responseStart" and "isSecure" of the API's entry.
    qint64 limit() const;
    QString responseStartString() const;
    bool isSecure() const;

    // Fills "userid" and "password" (removing other placeholders that are
    // left), keeps the result as requestXML() and answers the form body.
    QByteArray requestDataForUserID(const QString &userid, const QString &password);

    // The name sent as "API=": "TrackV2" for "TrackV2Field", else the name.
    static QString wireName(const QString &api);

private:
    QVUSPSAPI(const QString &api, const QString &requestString) : m_api(api), m_requestString(requestString) {}
    QVariant entryValue(const QString &keyPath) const;

    QString m_api;
    QString m_requestString;
};
