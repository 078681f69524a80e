#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace app {

// An unbounded, 1-based list of strings. Assigning past the end grows it; every position below
// the end that was never assigned, and every position outside it, reads as the empty string.
class StringArray {
public:
    StringArray() = default;
    StringArray(std::initializer_list<QString> items) : items_(items) {}

    QString operator[](long index) const;
    void set(long index, const QString& value);
    // Appends at UpperBound() + 1.
    void append(const QString& value) { items_.append(value); }
    long UpperBound() const { return static_cast<long>(items_.size()); }
    void clear() { items_.clear(); }
    const QStringList& items() const { return items_; }

    friend bool operator==(const StringArray&, const StringArray&) = default;

private:
    QStringList items_;
};

// A 16-bit signed integer that is unset (null) until assigned. Assigning a wider value keeps its
// low 16 bits, as a 16-bit field does.
class NullableInt16 {
public:
    NullableInt16() = default;
    NullableInt16& operator=(long value) {
        value_ = static_cast<std::int16_t>(value);
        return *this;
    }
    bool isNull() const { return !value_.has_value(); }
    std::int16_t value() const { return value_.value_or(0); }
    void setNull() { value_.reset(); }

    friend bool operator==(const NullableInt16&, const NullableInt16&) = default;

private:
    std::optional<std::int16_t> value_;
};

// One database connection as the logon made it.
struct str_sqlca {
    QString s_dbms;
    QString s_dsn;
    QString s_uid;
    QString s_pwd;
    QString s_dbparm;
    QString s_misc;
    QString s_sqlca;
    NullableInt16 s_sqlcode;
    QString s_sql;

    friend bool operator==(const str_sqlca&, const str_sqlca&) = default;
};

// The lists that data-source and profile discovery produce.
struct str_ini {
    StringArray ss_database;
    StringArray ss_profile;

    friend bool operator==(const str_ini&, const str_ini&) = default;
};

// Five general strings.
struct str_strings {
    QString s_1;
    QString s_2;
    QString s_3;
    QString s_4;
    QString s_5;

    friend bool operator==(const str_strings&, const str_strings&) = default;
};

// A master table and its related tables, as the relation selector hands them to the linked view.
struct str_tbl_cols {
    QString s_tbl_master;
    StringArray s_tables;
    StringArray s_col_1;
    StringArray s_col_2a;
    StringArray s_col_2b;
    StringArray s_col_2c;
    StringArray s_col_2d;
    StringArray s_relation;
    QString s_sqlca;

    friend bool operator==(const str_tbl_cols&, const str_tbl_cols&) = default;
};

} // namespace app
