#include "platform/grid/zip_check.h"

#include <QByteArray>
#include <QFile>
#include <zlib.h>

#include <algorithm>
#include <vector>

namespace platform::grid {
namespace {

// The beginning and end of an unpacked part: enough to tell whether it was cut short.
class PartEnds {
public:
    void add(const char* data, qsizetype size) {
        if (head_.size() < keep)
            head_.append(data, std::min(size, keep - head_.size()));
        tail_.append(data, size);
        if (tail_.size() > 2 * keep)
            tail_.remove(0, tail_.size() - keep);
    }
    // "<?xml ...?>\n<root ...>" ... "</root>"
    bool complete() const {
        qsizetype at = head_.indexOf("?>");
        at = head_.indexOf('<', at < 0 ? 0 : at);
        if (at < 0)
            return false;
        qsizetype end = at + 1;
        const auto endsName = [](char c) {
            return c == ' ' || c == '>' || c == '/' || c == '\r' || c == '\n';
        };
        while (end < head_.size() && !endsName(head_.at(end)))
            ++end;
        const QByteArray root = head_.mid(at + 1, end - at - 1);
        return !root.isEmpty() && tail_.trimmed().endsWith("</" + root + '>');
    }

private:
    static constexpr qsizetype keep = 512;
    QByteArray head_;
    QByteArray tail_;
};

// Little-endian fields of a zip header.
quint32 u16(const QByteArray& bytes, qsizetype at) {
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    return quint32(data[at]) | quint32(data[at + 1]) << 8;
}
quint32 u32(const QByteArray& bytes, qsizetype at) {
    return u16(bytes, at) | u16(bytes, at + 2) << 16;
}

// `size` bytes at `at` of the file, or fewer at its end.
QByteArray readAt(QFile& file, qint64 at, qint64 size) {
    if (at < 0 || !file.seek(at))
        return {};
    return file.read(size);
}

// Unpacks the part stored at `at` (`size` bytes, `method` 0 or deflate) and keeps its ends. The
// file is read a piece at a time: the workbook may be far larger than the memory it may take.
bool inflatePart(QFile& file, qint64 at, quint32 size, int method, PartEnds& ends) {
    if (method != 0 && method != Z_DEFLATED)
        return false;
    z_stream stream{};
    if (method == Z_DEFLATED && inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    std::vector<char> buffer(1 << 16);
    constexpr qint64 kPiece = qint64{1} << 20;
    int rc = Z_OK;
    qint64 left = size;
    while (left > 0 && rc == Z_OK) {
        const QByteArray piece = readAt(file, at, std::min(left, kPiece));
        if (piece.isEmpty())
            break;
        at += piece.size();
        left -= piece.size();
        if (method == 0) {
            ends.add(piece.constData(), piece.size());
            continue;
        }
        stream.next_in = reinterpret_cast<uchar*>(const_cast<char*>(piece.constData()));
        stream.avail_in = static_cast<uInt>(piece.size());
        // Until the piece is taken and the output no longer fills the buffer.
        do {
            stream.next_out = reinterpret_cast<uchar*>(buffer.data());
            stream.avail_out = static_cast<uInt>(buffer.size());
            rc = inflate(&stream, Z_NO_FLUSH);
            ends.add(buffer.data(), static_cast<qsizetype>(buffer.size() - stream.avail_out));
        } while (rc == Z_OK && stream.avail_out == 0);
        // No progress without more input: the next piece brings it.
        if (rc == Z_BUF_ERROR)
            rc = Z_OK;
    }
    if (method == 0)
        return left == 0;
    inflateEnd(&stream);
    return rc == Z_STREAM_END;
}

} // namespace

QString damagedPart(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const qint64 size = file.size();
    if (size <= 0)
        return QStringLiteral("the workbook is empty");
    const QString broken = QStringLiteral("the workbook is no valid zip file");

    // The end-of-directory record lies in the last 22 + 65,535 bytes.
    const qint64 tailStart = std::max<qint64>(0, size - 22 - 0xFFFF);
    const QByteArray tail = readAt(file, tailStart, size - tailStart);
    qsizetype end = -1;
    for (qsizetype at = tail.size() - 22; at >= 0; --at) {
        if (u32(tail, at) == 0x06054b50) {
            end = at;
            break;
        }
    }
    if (end < 0)
        return broken;
    const quint32 entries = u16(tail, end + 10);
    const qint64 directoryStart = u32(tail, end + 16);
    if (directoryStart > tailStart + end)
        return broken;
    const QByteArray directory = readAt(file, directoryStart, tailStart + end - directoryStart);
    qsizetype at = 0;
    for (quint32 i = 0; i < entries; ++i) {
        if (at + 46 > directory.size() || u32(directory, at) != 0x02014b50)
            return broken;
        const int method = static_cast<int>(u16(directory, at + 10));
        const quint32 compressed = u32(directory, at + 20);
        const qint64 local = u32(directory, at + 42);
        const QByteArray name = directory.mid(at + 46, u16(directory, at + 28));
        at += 46 + u16(directory, at + 28) + u16(directory, at + 30) + u16(directory, at + 32);
        if (!name.endsWith(".xml") && !name.endsWith(".rels"))
            continue;
        const QByteArray header = readAt(file, local, 30);
        if (header.size() < 30 || u32(header, 0) != 0x04034b50)
            return broken;
        const qint64 start = local + 30 + u16(header, 26) + u16(header, 28);
        if (start + compressed > size)
            return broken;
        PartEnds ends;
        if (!inflatePart(file, start, compressed, method, ends) || !ends.complete())
            return QStringLiteral("part %1 of the workbook was cut short")
                .arg(QString::fromUtf8(name));
    }
    return {};
}

} // namespace platform::grid
