#include "platform/qtcompat.h"

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QStringDecoder>
#else
#include <QTextCodec>
#endif

namespace platform::compat {

std::optional<QString> decodeUtf8(const QByteArray& bytes) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    // A byte-order mark is text like any other character here (a file's own mark is the reader's
    // business), as in the Qt 5 branch below.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
#else
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    QString text = QTextCodec::codecForMib(106)->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0)
        return std::nullopt;
    return text;
#endif
}

} // namespace platform::compat
