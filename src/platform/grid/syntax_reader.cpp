// Reading the grid syntax text back (see syntax.h): a reader of its items, and the definition
// they make.

#include "platform/grid/syntax.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <climits>
#include <optional>
#include <sqlext.h>

namespace platform::grid {

namespace {

SQLSMALLINT defaultSqlType(ColumnKind kind) {
    switch (kind) {
    case ColumnKind::Text:
        return SQL_VARCHAR;
    case ColumnKind::Integer:
        return SQL_INTEGER;
    case ColumnKind::Decimal:
        return SQL_DECIMAL;
    case ColumnKind::Float:
        return SQL_DOUBLE;
    case ColumnKind::Date:
        return SQL_TYPE_DATE;
    case ColumnKind::Time:
        return SQL_TYPE_TIME;
    case ColumnKind::Timestamp:
        return SQL_TYPE_TIMESTAMP;
    case ColumnKind::Boolean:
        return SQL_BIT;
    case ColumnKind::Binary:
        return SQL_VARBINARY;
    }
    return SQL_VARCHAR;
}

// One `key=value` of an item; a value in parentheses is a nested list.
struct Node {
    QString key;
    QString text;
    bool isList = false;
    std::vector<Node> list;
    int line = 0;
};

struct Item {
    QString kind;
    std::vector<Node> attributes;
    int line = 0;
};

class Reader {
public:
    explicit Reader(const QString& text) : s_(text) {}

    std::optional<std::vector<Item>> read() {
        std::vector<Item> items;
        for (;;) {
            skipSpace();
            if (atEnd())
                return items;
            if (peek() == u')')
                return fail(QStringLiteral("Unbalanced parentheses: the ')' on line %1 closes "
                                           "nothing.")
                                .arg(line_));
            const int line = line_;
            const QString kind = word();
            if (kind.isEmpty())
                return unexpected();
            skipSpace();
            if (kind == u"release") {
                word();
                skipSpace();
                if (!atEnd() && peek() == u';')
                    ++pos_;
                continue;
            }
            if (atEnd() || peek() != u'(')
                return fail(QStringLiteral("Expected '(' after '%1' on line %2.")
                                .arg(kind, QString::number(line)));
            ++pos_;
            Item item{kind, {}, line};
            if (!attributes(item.attributes, kind, line))
                return std::nullopt;
            items.push_back(std::move(item));
        }
    }

    const QString& error() const { return error_; }

private:
    bool atEnd() const { return pos_ >= s_.size(); }
    QChar peek() const { return s_.at(pos_); }

    std::nullopt_t fail(const QString& text) {
        if (error_.isEmpty())
            error_ = text;
        return std::nullopt;
    }
    std::nullopt_t unexpected() {
        return fail(QStringLiteral("Unexpected '%1' on line %2.")
                        .arg(QString(peek()), QString::number(line_)));
    }

    void skipSpace() {
        while (!atEnd() && peek().isSpace()) {
            if (peek() == u'\n')
                ++line_;
            ++pos_;
        }
    }

    QString word() {
        const qsizetype begin = pos_;
        while (!atEnd()) {
            const QChar c = peek();
            if (c.isSpace() || c == u'(' || c == u')' || c == u'=' || c == u'"' || c == u';')
                break;
            ++pos_;
        }
        return s_.mid(begin, pos_ - begin);
    }

    bool quotedValue(QString& out) {
        const int line = line_;
        ++pos_; // the opening quote
        for (;;) {
            if (atEnd()) {
                fail(QStringLiteral("Unbalanced quotes: the value that opens on line %1 is not "
                                    "closed.")
                         .arg(line));
                return false;
            }
            QChar c = s_.at(pos_++);
            if (c == u'"')
                return true;
            if (c == u'\n')
                ++line_;
            if (c == u'~') {
                if (atEnd())
                    continue; // reported as the unclosed value
                c = s_.at(pos_++);
                switch (c.unicode()) {
                case u'r':
                    c = u'\r';
                    break;
                case u'n':
                    c = u'\n';
                    break;
                case u't':
                    c = u'\t';
                    break;
                case u'\n':
                    ++line_;
                    break;
                default:
                    break;
                }
            }
            out += c;
        }
    }

    bool value(Node& node) {
        if (atEnd()) {
            fail(QStringLiteral("Missing value for '%1' on line %2.")
                     .arg(node.key, QString::number(node.line)));
            return false;
        }
        if (peek() == u'"')
            return quotedValue(node.text);
        if (peek() == u'(') {
            // Lists are read by recursion: a bound keeps any text from exhausting the stack.
            if (depth_ == maxDepth) {
                fail(QStringLiteral("Lists are nested more than %1 deep on line %2.")
                         .arg(QString::number(maxDepth), QString::number(line_)));
                return false;
            }
            ++pos_;
            node.isList = true;
            ++depth_;
            const bool read = attributes(node.list, node.key, node.line);
            --depth_;
            return read;
        }
        node.text = word();
        if (node.text.isEmpty()) {
            unexpected();
            return false;
        }
        // Arguments of a type: char(30), decimal(9,2).
        if (!atEnd() && peek() == u'(') {
            const qsizetype begin = pos_;
            const qsizetype close = s_.indexOf(u')', begin);
            const qsizetype newline = s_.indexOf(u'\n', begin);
            if (close < 0 || (newline >= 0 && newline < close)) {
                fail(QStringLiteral("Unbalanced parentheses: '%1(' on line %2 is not closed.")
                         .arg(node.text, QString::number(line_)));
                return false;
            }
            node.text += s_.mid(begin, close + 1 - begin);
            pos_ = close + 1;
        }
        return true;
    }

    bool attributes(std::vector<Node>& out, const QString& owner, int ownerLine) {
        for (;;) {
            skipSpace();
            if (atEnd()) {
                fail(QStringLiteral("Unbalanced parentheses: '%1(' on line %2 is not closed.")
                         .arg(owner, QString::number(ownerLine)));
                return false;
            }
            if (peek() == u')') {
                ++pos_;
                return true;
            }
            Node node;
            node.line = line_;
            node.key = word().toLower();
            if (node.key.isEmpty()) {
                unexpected();
                return false;
            }
            skipSpace();
            if (atEnd() || peek() != u'=') {
                fail(QStringLiteral("Expected '=' after '%1' on line %2.")
                         .arg(node.key, QString::number(node.line)));
                return false;
            }
            ++pos_;
            skipSpace();
            if (!value(node))
                return false;
            out.push_back(std::move(node));
        }
    }

    static constexpr int maxDepth = 32;
    const QString& s_;
    qsizetype pos_ = 0;
    int line_ = 1;
    int depth_ = 0;
    QString error_;
};

const Node* find(const std::vector<Node>& nodes, QStringView key) {
    for (const Node& node : nodes) {
        if (node.key == key)
            return &node;
    }
    return nullptr;
}

QString textOf(const std::vector<Node>& nodes, QStringView key) {
    const Node* node = find(nodes, key);
    return node && !node->isList ? node->text : QString();
}

std::optional<bool> flag(const Node& node, QString& errors) {
    const QString v = node.text.toLower();
    if (!node.isList && (v == u"yes" || v == u"true"))
        return true;
    if (!node.isList && (v == u"no" || v == u"false"))
        return false;
    errors = QStringLiteral("Invalid value '%1' for %2 on line %3; use yes or no.")
                 .arg(node.text, node.key, QString::number(node.line));
    return std::nullopt;
}

bool readType(const Node& node, ColumnInfo& column, QString& errors) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^([A-Za-z]+)(?:\(\s*(\d+)\s*(?:,\s*(\d+)\s*)?\))?$)"));
    const auto match = pattern.match(node.text);
    const QString name = match.captured(1);
    if (node.isList || !match.hasMatch() ||
        kindName(kindFromName(name)).compare(name, Qt::CaseInsensitive) != 0) {
        errors = QStringLiteral("Unknown column type '%1' on line %2.")
                     .arg(node.text, QString::number(node.line));
        return false;
    }
    column.kind = kindFromName(name);
    column.size = match.captured(2).toLong();
    column.decimals = match.captured(3).toInt();
    return true;
}

bool readColumn(const Node& entry, int position, ColumnInfo& column, QString& errors) {
    bool sqlTypeGiven = false;
    for (const Node& node : entry.list) {
        if (node.key == u"type") {
            if (!readType(node, column, errors))
                return false;
        } else if (node.key == u"sqltype") {
            bool ok = false;
            const int type = node.text.toInt(&ok);
            if (!ok || node.isList || type < SHRT_MIN || type > SHRT_MAX) {
                errors = QStringLiteral("Invalid SQL type '%1' on line %2.")
                             .arg(node.text, QString::number(node.line));
                return false;
            }
            column.sqlType = static_cast<SQLSMALLINT>(type);
            sqlTypeGiven = true;
        } else if (node.key == u"name") {
            column.name = node.text;
        } else if (node.key == u"dbname") {
            column.dbName = node.text;
        } else if (node.key == u"key" || node.key == u"updatable" || node.key == u"nullable") {
            const auto value = flag(node, errors);
            if (!value)
                return false;
            (node.key == u"key"         ? column.key
             : node.key == u"updatable" ? column.updatable
                                        : column.nullable) = *value;
        }
    }
    if (column.name.isEmpty()) {
        errors = QStringLiteral("Column %1 of the table section (line %2) has no name.")
                     .arg(position)
                     .arg(entry.line);
        return false;
    }
    if (!sqlTypeGiven)
        column.sqlType = defaultSqlType(column.kind);
    return true;
}

// The table section's columns, statement, update table and kind of rows.
bool readTable(const Item& table, GridDefinition& definition, QString& errors) {
    for (const Node& node : table.attributes) {
        if (node.key == u"column") {
            if (!node.isList) {
                errors = QStringLiteral("The column on line %1 is not a list in parentheses.")
                             .arg(node.line);
                return false;
            }
            ColumnInfo column;
            if (!readColumn(node, static_cast<int>(definition.columns.size()) + 1, column, errors))
                return false;
            if (definition.columnIndex(column.name) >= 0) {
                errors = QStringLiteral("Column name '%1' on line %2 is used twice.")
                             .arg(column.name, QString::number(node.line));
                return false;
            }
            definition.columns.push_back(std::move(column));
        } else if (node.key == u"select") {
            definition.select = node.text;
        } else if (node.key == u"update") {
            definition.updateTable = node.text;
        } else if (node.key == u"external") {
            const auto value = flag(node, errors);
            if (!value)
                return false;
            definition.external = *value;
        }
    }
    if (definition.columns.empty()) {
        errors = QStringLiteral("The syntax defines no columns.");
        return false;
    }
    return true;
}

// The headings (text controls) of the columns, and the check that every column has exactly one
// column control.
bool readControls(const std::vector<Item>& items, GridDefinition& definition, QString& errors) {
    std::vector<int> controls(definition.columns.size(), 0);
    for (const Item& item : items) {
        const QString band = textOf(item.attributes, u"band");
        const QString name = textOf(item.attributes, u"name");
        if (item.kind == u"text" && band == u"header" && name.endsWith(u"_t")) {
            const int index = definition.columnIndex(name.chopped(2));
            if (index >= 0)
                definition.columns[static_cast<std::size_t>(index)].label =
                    textOf(item.attributes, u"text");
        } else if (item.kind == u"column") {
            if (name.isEmpty()) {
                errors =
                    QStringLiteral("The column control on line %1 has no name.").arg(item.line);
                return false;
            }
            const int index = definition.columnIndex(name);
            if (index < 0) {
                errors = QStringLiteral("The column control '%1' on line %2 names no column of "
                                        "the table section.")
                             .arg(name, QString::number(item.line));
                return false;
            }
            ++controls[static_cast<std::size_t>(index)];
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i] != 1) {
            errors = QStringLiteral("Column '%1' needs exactly one column control; it has %2.")
                         .arg(definition.columns[i].name, QString::number(controls[i]));
            return false;
        }
    }
    return true;
}

std::optional<GridDefinition> interpret(const std::vector<Item>& items, QString& errors) {
    GridDefinition definition;
    const Item* table = nullptr;
    for (const Item& item : items) {
        if (item.kind != u"table")
            continue;
        if (table) {
            errors = QStringLiteral("A second table section on line %1.").arg(item.line);
            return std::nullopt;
        }
        table = &item;
    }
    if (!table) {
        errors = QStringLiteral("The syntax has no table section.");
        return std::nullopt;
    }
    if (!readTable(*table, definition, errors) || !readControls(items, definition, errors))
        return std::nullopt;
    return definition;
}

} // namespace

GridDefinition parseSyntax(const QString& text, QString& errors) {
    errors.clear();
    Reader reader(text);
    const auto items = reader.read();
    if (!items) {
        errors = reader.error();
        return {};
    }
    auto definition = interpret(*items, errors);
    if (!definition)
        return {};
    return std::move(*definition);
}

} // namespace platform::grid
