#pragma once
// The user's settings: a persistent store (an INI file through QSettings, in
// the user's configuration folder under "Tolvane") over a layer of registered
// defaults (the bundled "QVDefaults" property list and whatever the program
// registers). A value stored by the user hides the registered one; removing
// it brings the registered one back.
//
// Values keep their type across a restart: a bool reads back as a bool, an
// integer as qint64, a real as double, a date as QDateTime, data as
// QByteArray, a Decimal as Decimal, lists and dictionaries with the types of
// their members. In the file every value is text tagged with its type
// ("bool:true", "int:42", "string:…"); an untagged value (edited by hand) is
// read as a string.
//
// Every change (storing, removing, registering defaults) posts
// NSUserDefaultsDidChangeNotification through the default NotificationCenter,
// with the defaults object as the notification's object, after the change is
// made and outside any lock.
//
// All operations are safe from any thread.
#include <QHash>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <mutex>

inline const QString NSUserDefaultsDidChangeNotification = QStringLiteral("NSUserDefaultsDidChangeNotification");

class UserDefaults
{
public:
    // The shared defaults in the standard file
    // ($XDG_CONFIG_HOME/Tolvane/Tolvane.ini).
    static UserDefaults &standardUserDefaults();
    // For tests: empties the shared defaults (stored values, the file, and the
    // registered layer) without replacing the object.
    static void resetStandardUserDefaults();

    // Defaults kept in the given INI file.
    explicit UserDefaults(const QString &filePath);
    ~UserDefaults();
    UserDefaults(const UserDefaults &) = delete;
    UserDefaults &operator=(const UserDefaults &) = delete;

    QString filePath() const;

    // Adds the values to the registered layer (replacing keys already there).
    void registerDefaults(const QVariantMap &defaults);
    // Registers the bundled "QVDefaults" property list; false (and an error
    // text) when it is missing or not a dictionary, leaving the layer as it was.
    bool registerBundleDefaults(QString *error = nullptr);
    QVariantMap registeredDefaults() const;

    // The stored value, else the registered one, else a null QVariant.
    QVariant objectForKey(const QString &key) const;
    // false when missing; numbers are true when not zero; text is true when
    // it begins with Y, y, T, t or a digit 1-9 (as "YES", "true", "1").
    bool boolForKey(const QString &key) const;
    // 0 when missing or not a number; text is read as a number; reals are
    // truncated; bools give 0 or 1.
    qint64 integerForKey(const QString &key) const;
    // 0 when missing or not a number.
    double doubleForKey(const QString &key) const;
    // The text; a number gives its text; a null QString when missing or of
    // another kind.
    QString stringForKey(const QString &key) const;
    // Empty when missing or of another kind.
    QVariantList arrayForKey(const QString &key) const;
    QVariantMap dictionaryForKey(const QString &key) const;
    QByteArray dataForKey(const QString &key) const;
    // The list when every member is text; empty otherwise.
    QStringList stringArrayForKey(const QString &key) const;

    // Stores the value; a null QVariant removes the key. A value that cannot
    // be stored (a type without a text form) is refused and logged.
    void setObject(const QVariant &value, const QString &key);
    void setBool(bool value, const QString &key) { setObject(QVariant(value), key); }
    void setInteger(qint64 value, const QString &key) { setObject(QVariant(value), key); }
    void setDouble(double value, const QString &key) { setObject(QVariant(value), key); }
    void setString(const QString &value, const QString &key) { setObject(QVariant(value), key); }
    void removeObjectForKey(const QString &key);

    // Stored and registered values together (stored ones win).
    QVariantMap dictionaryRepresentation() const;
    // Keys of the stored values.
    QStringList storedKeys() const;

    // Writes pending changes to the file; false when it could not be written.
    bool synchronize();

    // A number that grows whenever an answer of any defaults object may have
    // changed (a store, a removal, registered values, a synchronize, a
    // reset). Callers that read a default at every keystroke keep the answer
    // with the number it was read under and read it again once it differs.
    static quint64 changeCount();

private:
    UserDefaults(std::unique_ptr<QSettings> settings);
    void postChange();
    // Empties m_answers and counts the change (with m_mutex held).
    void forgetAnswers() const;

    mutable std::recursive_mutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_registered;
    // Values as objectForKey answered them (decoded), until the next change
    // of this object's store or registered layer, or a synchronize: pricing
    // reads a few defaults at every keystroke.
    mutable QHash<QString, QVariant> m_answers;
};

// The stored text form of a value (exposed for tests): empty when the value
// has no text form.
QString encodeUserDefaultValue(const QVariant &value);
QVariant decodeUserDefaultValue(const QString &text);
