#include "platform/grid/export_text.h"

#include <QByteArray>
#include <QSaveFile>
#include <QStringList>
#include <QXmlStreamWriter>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform::grid::exporting {
namespace {

// Why a write to `file` failed. A short write (the disk filled up) leaves no error on the
// device, only in errno.
QString writeFailure(const QFileDevice& file, int errorNumber) {
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    if (errorNumber != 0)
        return QString::fromLocal8Bit(std::strerror(errorNumber));
    return QStringLiteral("the file could not be written completely");
}

// Collects a text file's UTF-8 and hands it to the file in large pieces. After a failed write
// the rest is dropped.
class TextOut {
public:
    explicit TextOut(QFileDevice& file) : file_(file) {}

    void put(QStringView text) {
        if (!failure_.isEmpty())
            return;
        buffer_ += text.toUtf8();
        if (buffer_.size() >= flushSize)
            flush();
    }
    void putBytes(const char* data, qsizetype size) {
        if (!failure_.isEmpty())
            return;
        buffer_.append(data, size);
        if (buffer_.size() >= flushSize)
            flush();
    }
    bool flush() {
        if (!buffer_.isEmpty() && failure_.isEmpty()) {
            errno = 0;
            if (file_.write(buffer_) != buffer_.size())
                failure_ = writeFailure(file_, errno);
        }
        buffer_.truncate(0);
        return failure_.isEmpty();
    }
    const QString& failure() const { return failure_; }

private:
    static constexpr qsizetype flushSize = 1 << 20;
    QFileDevice& file_;
    QByteArray buffer_;
    QString failure_;
};

// Lets QXmlStreamWriter write through a TextOut.
class TextOutDevice final : public QIODevice {
public:
    explicit TextOutDevice(TextOut& out) : out_(out) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        out_.putBytes(data, static_cast<qsizetype>(size));
        return out_.failure().isEmpty() ? size : -1;
    }

private:
    TextOut& out_;
};

// RFC 4180; empty text is quoted so that it reads back apart from NULL, which is left bare.
void appendCsv(QString& line, const QString& value) {
    const bool quote = value.isEmpty() || value.contains(u',') || value.contains(u'"') ||
                       value.contains(u'\r') || value.contains(u'\n');
    if (!quote) {
        line += value;
        return;
    }
    line += u'"';
    for (QChar ch : value) {
        if (ch == u'"')
            line += u'"';
        line += ch;
    }
    line += u'"';
}

void writeCsv(const GridRows& rows, TextOut& out, Ticker& tick) {
    const int columns = rows.columnCount();
    QString line;
    for (int c = 0; c < columns; ++c) {
        if (c > 0)
            line += u',';
        appendCsv(line, rows.column(c).name);
    }
    line += u"\r\n";
    out.put(line);
    for (long r = 0; r < rows.rowCount() && tick.next(r); ++r) {
        line.truncate(0);
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                line += u',';
            if (!rows.isNull(r, c))
                appendCsv(line, rows.text(r, c));
        }
        line += u"\r\n";
        out.put(line);
    }
}

// PostgreSQL COPY text format, so that a value's tabs, line breaks and backslashes survive.
void appendTab(QString& line, const QString& value) {
    for (QChar ch : value) {
        switch (ch.unicode()) {
        case u'\\':
            line += u"\\\\";
            break;
        case u'\t':
            line += u"\\t";
            break;
        case u'\n':
            line += u"\\n";
            break;
        case u'\r':
            line += u"\\r";
            break;
        default:
            line += ch;
        }
    }
}

void writeTabText(const GridRows& rows, TextOut& out, Ticker& tick) {
    const int columns = rows.columnCount();
    QString line;
    for (int c = 0; c < columns; ++c) {
        if (c > 0)
            line += u'\t';
        appendTab(line, rows.column(c).name);
    }
    line += u'\n';
    out.put(line);
    for (long r = 0; r < rows.rowCount() && tick.next(r); ++r) {
        line.truncate(0);
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                line += u'\t';
            if (rows.isNull(r, c))
                line += u"\\N";
            else
                appendTab(line, rows.text(r, c));
        }
        line += u'\n';
        out.put(line);
    }
}

void writeHtml(const GridRows& rows, const QString& tableName, TextOut& out, Ticker& tick) {
    const int columns = rows.columnCount();
    const QString title = tableName.isEmpty() ? QStringLiteral("Exported rows") : tableName;
    QString text = QStringLiteral("<!DOCTYPE html>\n"
                                  "<html>\n"
                                  "<head>\n"
                                  "<meta charset=\"utf-8\">\n"
                                  "<title>%1</title>\n"
                                  "<style>\n"
                                  "table { border-collapse: collapse; }\n"
                                  "th, td { border: 1px solid #999; padding: 2px 6px; "
                                  "vertical-align: top; white-space: pre-wrap; }\n"
                                  "th { background: #eee; text-align: left; }\n"
                                  ".num { text-align: right; }\n"
                                  "td.null { background: #f4f4f4; }\n"
                                  "</style>\n"
                                  "</head>\n"
                                  "<body>\n"
                                  "<table>\n"
                                  "<thead>\n"
                                  "<tr>")
                       .arg(title.toHtmlEscaped());
    std::vector<bool> numeric(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        numeric[c] = isNumeric(rows.column(c).kind);
        text += numeric[c] ? QStringLiteral("<th class=\"num\">") : QStringLiteral("<th>");
        text += rows.column(c).name.toHtmlEscaped();
        text += u"</th>";
    }
    text += u"</tr>\n</thead>\n<tbody>\n";
    out.put(text);
    for (long r = 0; r < rows.rowCount() && tick.next(r); ++r) {
        text = QStringLiteral("<tr>");
        for (int c = 0; c < columns; ++c) {
            if (rows.isNull(r, c)) {
                text += u"<td class=\"null\"></td>";
                continue;
            }
            text += numeric[c] ? QStringLiteral("<td class=\"num\">") : QStringLiteral("<td>");
            text += rows.text(r, c).toHtmlEscaped();
            text += u"</td>";
        }
        text += u"</tr>\n";
        out.put(text);
    }
    out.put(u"</tbody>\n</table>\n</body>\n</html>\n");
}

void appendJsonString(QString& text, const QString& value) {
    text += u'"';
    for (QChar ch : value) {
        switch (ch.unicode()) {
        case u'"':
            text += u"\\\"";
            break;
        case u'\\':
            text += u"\\\\";
            break;
        case u'\n':
            text += u"\\n";
            break;
        case u'\r':
            text += u"\\r";
            break;
        case u'\t':
            text += u"\\t";
            break;
        default:
            if (ch.unicode() < 0x20)
                text += QStringLiteral("\\u%1").arg(ch.unicode(), 4, 16, QLatin1Char('0'));
            else
                text += ch;
        }
    }
    text += u'"';
}

void writeJson(const GridRows& rows, TextOut& out, Ticker& tick) {
    const int columns = rows.columnCount();
    std::vector<QString> keys;
    std::vector<bool> numeric;
    for (int c = 0; c < columns; ++c) {
        QString key;
        appendJsonString(key, rows.column(c).name);
        key += u':';
        keys.push_back(key);
        numeric.push_back(isNumeric(rows.column(c).kind));
    }
    out.put(u"[");
    QString text;
    for (long r = 0; r < rows.rowCount() && tick.next(r); ++r) {
        text = r == 0 ? QStringLiteral("\n{") : QStringLiteral(",\n{");
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                text += u',';
            text += keys[c];
            if (rows.isNull(r, c)) {
                text += u"null";
                continue;
            }
            const QString value = rows.text(r, c);
            if (numeric[c] && isJsonNumber(value))
                text += value;
            else
                appendJsonString(text, value);
        }
        text += u'}';
        out.put(text);
    }
    out.put(u"\n]\n");
}

// Words that both Db2 and PostgreSQL reserve: a column so named must be quoted.
bool isReservedWord(const QString& word) {
    static const QStringList reserved =
        QStringLiteral(
            "all and any as asc between both by case cast check column constraint create "
            "current_date current_time current_timestamp current_user default delete desc "
            "distinct do else end except exists false fetch for foreign from grant group having "
            "in inner insert intersect into is join leading left like limit not null of offset on "
            "only or order outer primary references right select session_user some table then to "
            "trailing true union unique update user using values when where with")
            .split(u' ');
    return reserved.contains(word);
}

QString sqlColumnName(const QString& name) {
    bool plain = !name.isEmpty() && !isDigit(name.front());
    for (QChar ch : name) {
        if (!((ch >= u'a' && ch <= u'z') || isDigit(ch) || ch == u'_'))
            plain = false;
    }
    if (plain && !isReservedWord(name))
        return name;
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

void writeSqlInserts(const GridRows& rows, const QString& tableName, TextOut& out, Ticker& tick) {
    const int columns = rows.columnCount();
    QString head = QStringLiteral("INSERT INTO ") +
                   (tableName.isEmpty() ? QStringLiteral("exported_rows") : tableName) +
                   QStringLiteral(" (");
    for (int c = 0; c < columns; ++c) {
        if (c > 0)
            head += u", ";
        head += sqlColumnName(rows.column(c).name);
    }
    head += u") VALUES (";

    QString text;
    for (long r = 0; r < rows.rowCount() && tick.next(r); ++r) {
        text = head;
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                text += u", ";
            if (rows.isNull(r, c)) {
                text += u"NULL";
                continue;
            }
            const ColumnKind kind = rows.column(c).kind;
            QString value = rows.text(r, c);
            if (kind == ColumnKind::Binary) {
                text += QStringLiteral("X'") + value + u'\'';
            } else if (isNumeric(kind) && isSqlNumber(value)) {
                text += value;
            } else {
                value.replace(u'\'', QStringLiteral("''"));
                text += u'\'' + value + u'\'';
            }
        }
        text += u");\n";
        out.put(text);
    }
}

// XML 1.0 cannot carry most control characters at all; they become U+FFFD.
QString xmlSafe(const QString& value) {
    QString safe = value;
    for (qsizetype i = 0; i < safe.size(); ++i) {
        const char16_t ch = safe.at(i).unicode();
        const bool control = ch < 0x20 && ch != u'\t' && ch != u'\n' && ch != u'\r';
        bool bad = control || ch == 0xFFFE || ch == 0xFFFF;
        if (QChar::isHighSurrogate(ch)) {
            if (i + 1 < safe.size() && QChar::isLowSurrogate(safe.at(i + 1).unicode()))
                ++i;
            else
                bad = true;
        } else if (QChar::isLowSurrogate(ch)) {
            bad = true;
        }
        if (bad)
            safe.data()[i] = QChar::ReplacementCharacter;
    }
    return safe;
}

// A column name usable as an element name: other characters become '_', and a name that
// does not start with a letter or '_' ("1" for an unnamed Db2 column) gets a leading '_'.
QString xmlElementName(const QString& name) {
    QString element;
    for (QChar ch : name)
        element += (ch.isLetterOrNumber() || ch == u'_' || ch == u'-' || ch == u'.') ? ch : u'_';
    if (element.isEmpty() || !(element.front().isLetter() || element.front() == u'_'))
        element.prepend(u'_');
    return element;
}

// Readers turn a literal CR into LF, so CRs go out as character references.
void writeXmlText(QXmlStreamWriter& xml, const QString& value) {
    const QString safe = xmlSafe(value);
    qsizetype start = 0;
    for (qsizetype cr = safe.indexOf(u'\r'); cr >= 0; cr = safe.indexOf(u'\r', start)) {
        xml.writeCharacters(safe.mid(start, cr - start));
        xml.writeEntityReference(QStringLiteral("#13"));
        start = cr + 1;
    }
    xml.writeCharacters(safe.mid(start));
}

void writeXml(const GridRows& rows, QIODevice& device, Ticker& tick) {
    static const QString xsi = QStringLiteral("http://www.w3.org/2001/XMLSchema-instance");
    const int columns = rows.columnCount();
    std::vector<QString> names;
    for (int c = 0; c < columns; ++c)
        names.push_back(xmlElementName(rows.column(c).name));

    QXmlStreamWriter xml(&device);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeNamespace(xsi, QStringLiteral("xsi"));
    xml.writeStartElement(QStringLiteral("rows"));
    for (long r = 0; r < rows.rowCount() && !xml.hasError() && tick.next(r); ++r) {
        xml.writeStartElement(QStringLiteral("row"));
        for (int c = 0; c < columns; ++c) {
            if (rows.isNull(r, c)) {
                xml.writeEmptyElement(names[c]);
                xml.writeAttribute(xsi, QStringLiteral("nil"), QStringLiteral("true"));
            } else {
                xml.writeStartElement(names[c]);
                writeXmlText(xml, rows.text(r, c));
                xml.writeEndElement();
            }
        }
        xml.writeEndElement();
    }
    xml.writeEndDocument();
}

// Writes a text file through `body`, which puts its text into the TextOut it is given. The file
// takes the place of an earlier one only when whole.
template <typename Body>
bool writeTextFile(const QString& path, QString& error, Ticker& tick, Body body) {
    QSaveFile file(path);
    // TextOut buffers; the file itself need not.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = cannotWrite(path, file.errorString());
        return false;
    }
    TextOut out(file);
    body(out);
    out.flush();
    if (tick.stopped()) {
        file.cancelWriting();
        return false;
    }
    QString failure = out.failure();
    if (failure.isEmpty()) {
        errno = 0;
        if (!file.commit())
            failure = writeFailure(file, errno);
    }
    if (!failure.isEmpty()) {
        error = cannotWrite(path, failure);
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace

bool writeCsvFile(const GridRows& rows, const QString& path, const QString&, QString& error,
                  Ticker& tick) {
    return writeTextFile(path, error, tick, [&](TextOut& out) { writeCsv(rows, out, tick); });
}

bool writeTabTextFile(const GridRows& rows, const QString& path, const QString&, QString& error,
                      Ticker& tick) {
    return writeTextFile(path, error, tick, [&](TextOut& out) { writeTabText(rows, out, tick); });
}

bool writeHtmlFile(const GridRows& rows, const QString& path, const QString& tableName,
                   QString& error, Ticker& tick) {
    return writeTextFile(path, error, tick,
                         [&](TextOut& out) { writeHtml(rows, tableName, out, tick); });
}

bool writeJsonFile(const GridRows& rows, const QString& path, const QString&, QString& error,
                   Ticker& tick) {
    return writeTextFile(path, error, tick, [&](TextOut& out) { writeJson(rows, out, tick); });
}

bool writeXmlFile(const GridRows& rows, const QString& path, const QString&, QString& error,
                  Ticker& tick) {
    return writeTextFile(path, error, tick, [&](TextOut& out) {
        TextOutDevice device(out);
        writeXml(rows, device, tick);
    });
}

bool writeSqlInsertFile(const GridRows& rows, const QString& path, const QString& tableName,
                        QString& error, Ticker& tick) {
    return writeTextFile(path, error, tick,
                         [&](TextOut& out) { writeSqlInserts(rows, tableName, out, tick); });
}

} // namespace platform::grid::exporting
