#pragma once

// What every fuzz target shares: the fuzzer's bytes as the texts the program meets, and checks
// that stop the run with the broken invariant and the values involved.

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

// The bytes read as UTF-8, as Latin-1 and as UTF-16 (host order; an odd last byte is dropped).
// UTF-16 is the only one of the three that can carry lone surrogates.
inline std::vector<QString> decodings(const std::uint8_t* data, std::size_t size) {
    const auto* chars = reinterpret_cast<const char*>(data);
    const auto length = static_cast<qsizetype>(size);
    std::u16string wide(size / 2, u'\0');
    if (!wide.empty())
        std::memcpy(wide.data(), data, wide.size() * sizeof(char16_t));
    return {QString::fromUtf8(chars, length), QString::fromLatin1(chars, length),
            QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()))};
}

// A text cut into `count` fields at each U+0001; missing fields are empty, and the last field
// keeps any further separators.
inline QStringList fields(const QString& text, int count) {
    QStringList parts = text.split(QChar(1));
    while (parts.size() > count) {
        const QString last = parts.takeLast();
        parts.last() += QChar(1) + last;
    }
    while (parts.size() < count)
        parts.append(QString());
    return parts;
}

// `text` with every lone surrogate as U+FFFD: the same length and positions, and valid UTF-16,
// which is all that QRegularExpression matches in.
inline QString validUtf16(QString text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            text[i] = QChar(QChar::ReplacementCharacter);
    }
    return text;
}

// `text` without the white space (as regular expressions see it: \s) at its end.
inline QString withoutTrailingSpace(const QString& text) {
    static const QRegularExpression space(QStringLiteral(R"(\s+$)"));
    const auto match = space.match(validUtf16(text));
    return match.hasMatch() ? text.left(match.capturedStart()) : text;
}

// A value as it is shown in a failure: printable ASCII as is, everything else as \uXXXX.
inline std::string shown(const QString& value) {
    std::string out = "\"";
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7f && u != u'\\') {
            out += static_cast<char>(u);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(u));
            out += escaped;
        }
    }
    return out + "\"";
}

[[noreturn]] inline void broken(const char* condition, const char* file, int line,
                                const std::string& detail) {
    std::fprintf(stderr, "\n%s:%d: invariant broken: %s\n%s\n", file, line, condition,
                 detail.c_str());
    std::abort();
}

} // namespace fuzz

// Stops the run when `condition` does not hold; `detail` (a std::string) says with what.
#define FUZZ_CHECK(condition, detail)                                                              \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzz::broken(#condition, __FILE__, __LINE__, (detail));                              \
    } while (false)
