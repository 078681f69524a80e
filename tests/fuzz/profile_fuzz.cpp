// The line-file reader and the profile reader, on a file written with the fuzzer's bytes.
// The input's first line names a section, a key and a value (separated by U+0001); the rest is
// the file. Lines read back are the file's lines, cut at each LF, without one CR before it and
// without a byte-order mark at the very start, each UTF-8 when it is valid UTF-8 and Latin-1
// otherwise. A profile value is the default or a value of one of those lines without its outer
// blanks; a section and key written first in the file are found with their value.

#include "fuzz_input.h"

#include "platform/linefile.h"
#include "platform/profile.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QFile>
#include <QStringDecoder>

#include <unistd.h>

namespace {

QString filePath() {
    static const QString path =
        QStringLiteral("/dev/shm/dorvane-profile-fuzz-%1.ini").arg(::getpid());
    return path;
}

void writeFile(const QByteArray& content) {
    QFile file(filePath());
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                   file.write(content) == content.size(),
               "cannot write " + filePath().toStdString());
}

// A line's text: its UTF-8, every character of it (a U+FEFF at its start too), or Latin-1.
QString decoded(const QByteArray& line) {
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8(line);
    return utf8.hasError() ? QString::fromLatin1(line) : text;
}

// The lines as the reader has to give them.
QStringList expectedLines(const QByteArray& content) {
    QByteArrayList lines = content.split('\n');
    if (content.isEmpty() || content.endsWith('\n'))
        lines.removeLast();
    QStringList out;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        if (line.endsWith('\r'))
            line.chop(1);
        if (i == 0 && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        out.append(decoded(line));
    }
    return out;
}

QStringList checkLines(const QByteArray& content) {
    writeFile(content);
    const QStringList expected = expectedLines(content);
    platform::LineFile file;
    FUZZ_CHECK(file.open(filePath()), "cannot open");
    QString line;
    for (const QString& wanted : expected) {
        const int length = file.read(line);
        FUZZ_CHECK(length == line.size() && line == wanted, "read " + fuzz::shown(line) + " (" +
                                                                std::to_string(length) + "), not " +
                                                                fuzz::shown(wanted));
    }
    FUZZ_CHECK(file.read(line) == platform::LineFile::EndOfFile,
               "more than " + std::to_string(expected.size()) + " lines: " + fuzz::shown(line));
    FUZZ_CHECK(file.read(line) == platform::LineFile::EndOfFile, "read past the end");
    return expected;
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

void checkAnyValue(const QStringList& lines, const QString& section, const QString& key) {
    const QString fallback = QStringLiteral("\n(default)\n");
    const QString value = platform::ProfileString(filePath(), section, key, fallback);
    if (value == fallback)
        return;
    FUZZ_CHECK(!value.contains(u'\n'), fuzz::shown(value));
    FUZZ_CHECK(value.isEmpty() || (!isBlank(value.front()) && !isBlank(value.back())),
               fuzz::shown(value));
    const bool fromALine = std::any_of(lines.begin(), lines.end(), [&](const QString& line) {
        const qsizetype equals = line.indexOf(u'=');
        return equals >= 0 && line.indexOf(value, equals + 1) >= 0;
    });
    FUZZ_CHECK(fromALine, fuzz::shown(value) + " is in no line after a '='");
}

QString trimmedBlanks(QString text) {
    while (!text.isEmpty() && isBlank(text.front()))
        text.remove(0, 1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

void checkWrittenValue(const QByteArray& rest, QString section, QString key, QString value) {
    // Only what a file can hold: valid UTF-8, one line each.
    section = QString::fromUtf8(section.toUtf8());
    key = QString::fromUtf8(key.toUtf8());
    value = QString::fromUtf8(value.toUtf8());
    const auto oneLine = [](const QString& s) {
        return !s.contains(u'\n') && !s.contains(u'\r');
    };
    const QString bareKey = trimmedBlanks(key);
    if (!oneLine(section) || !oneLine(key) || !oneLine(value) || section.contains(u']') ||
        key.contains(u'=') || bareKey.isEmpty() || bareKey.startsWith(u';') ||
        bareKey.startsWith(u'['))
        return;
    const QByteArray content =
        u'[' + section.toUtf8() + "]\r\n" + key.toUtf8() + '=' + value.toUtf8() + "\r\n" + rest;
    writeFile(content);
    const QString found = platform::ProfileString(filePath(), section, key, QStringLiteral("\n"));
    FUZZ_CHECK(found == trimmedBlanks(value), "[" + fuzz::shown(section) + "] " + fuzz::shown(key) +
                                                  "=" + fuzz::shown(value) + " read as " +
                                                  fuzz::shown(found));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype newline = input.indexOf('\n');
    const QByteArray header = newline < 0 ? input : input.left(newline);
    const QByteArray content = newline < 0 ? QByteArray() : input.mid(newline + 1);
    const QStringList lines = checkLines(content);
    for (const QString& text : fuzz::decodings(reinterpret_cast<const std::uint8_t*>(header.data()),
                                               static_cast<std::size_t>(header.size()))) {
        const QStringList parts = fuzz::fields(text, 3);
        checkAnyValue(lines, parts.at(0), parts.at(1));
        checkWrittenValue(content, parts.at(0), parts.at(1), parts.at(2));
        writeFile(content);
    }
    return 0;
}
