#pragma once

#include <QString>
#include <QVariant>

#include <optional>

// A typed key-value store that keeps each value's kind: text, binary data, integer, double,
// boolean, dictionary (QVariantMap) or array (QVariantList). Reading a key as one kind yields
// nothing when the stored value is of another kind, so a number is never mistaken for text.
// Every set and remove is write-through: it is persisted before the call returns.
class UserDefaults
{
public:
    enum class Kind
    {
        None,
        String,
        Data,
        Integer,
        Double,
        Boolean,
        Dictionary,
        Array
    };

    virtual ~UserDefaults();

    // The stored value with its kind, or an invalid QVariant when the key is missing.
    virtual QVariant object(const QString& key) const = 0;
    // Stores `value` (normalised to one of the kinds; see normalized()). An invalid or null
    // variant, or one of a type that has no kind, removes the key instead.
    virtual void setObject(const QString& key, const QVariant& value) = 0;
    virtual void removeObject(const QString& key) = 0;

    std::optional<QString> string(const QString& key) const;
    std::optional<QByteArray> data(const QString& key) const;
    std::optional<qint64> integer(const QString& key) const;
    std::optional<double> doubleValue(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;
    std::optional<QVariantMap> dictionary(const QString& key) const;
    std::optional<QVariantList> array(const QString& key) const;
    bool isString(const QString& key) const { return kindOf(object(key)) == Kind::String; }

    void setString(const QString& key, const QString& value) { setObject(key, value); }
    void setData(const QString& key, const QByteArray& value) { setObject(key, value); }
    void setInteger(const QString& key, qint64 value) { setObject(key, value); }
    void setDouble(const QString& key, double value) { setObject(key, value); }
    void setBoolean(const QString& key, bool value) { setObject(key, value); }

    static Kind kindOf(const QVariant& value);
    // Maps a variant onto the kinds this store keeps (ints of any width become qint64,
    // float becomes double, string lists become arrays, recursively inside containers).
    // Returns an invalid variant for anything that has no kind.
    static QVariant normalized(const QVariant& value);

    // The process-wide store. The application installs its persistent store at start-up and
    // tests install their own; using it before anything is installed is a programming error.
    static UserDefaults& standard();
    static void setStandard(UserDefaults* defaults);
};
