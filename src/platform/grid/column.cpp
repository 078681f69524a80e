#include "platform/grid/column.h"

#include <sqlext.h>
#include <sqlucode.h>

namespace platform::grid {

ColumnKind kindOfSqlType(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_TINYINT:
    case SQL_BIGINT:
        return ColumnKind::Integer;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return ColumnKind::Decimal;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return ColumnKind::Float;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return ColumnKind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return ColumnKind::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return ColumnKind::Timestamp;
    case SQL_BIT:
        return ColumnKind::Boolean;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        return ColumnKind::Binary;
    default:
        return ColumnKind::Text;
    }
}

bool isNumeric(ColumnKind kind) {
    return kind == ColumnKind::Integer || kind == ColumnKind::Decimal || kind == ColumnKind::Float;
}

QString kindName(ColumnKind kind) {
    switch (kind) {
    case ColumnKind::Text:
        return QStringLiteral("char");
    case ColumnKind::Integer:
        return QStringLiteral("long");
    case ColumnKind::Decimal:
        return QStringLiteral("decimal");
    case ColumnKind::Float:
        return QStringLiteral("real");
    case ColumnKind::Date:
        return QStringLiteral("date");
    case ColumnKind::Time:
        return QStringLiteral("time");
    case ColumnKind::Timestamp:
        return QStringLiteral("datetime");
    case ColumnKind::Boolean:
        return QStringLiteral("boolean");
    case ColumnKind::Binary:
        return QStringLiteral("blob");
    }
    return QStringLiteral("char");
}

ColumnKind kindFromName(const QString& name) {
    for (ColumnKind kind : {ColumnKind::Text, ColumnKind::Integer, ColumnKind::Decimal,
                            ColumnKind::Float, ColumnKind::Date, ColumnKind::Time,
                            ColumnKind::Timestamp, ColumnKind::Boolean, ColumnKind::Binary}) {
        if (name.compare(kindName(kind), Qt::CaseInsensitive) == 0)
            return kind;
    }
    return ColumnKind::Text;
}

int GridDefinition::columnIndex(const QString& name) const {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace platform::grid
