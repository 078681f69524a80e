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

bool inflatePart(const uchar* data, quint32 size, int method, PartEnds& ends) {
    if (method == 0) {
        ends.add(reinterpret_cast<const char*>(data), size);
        return true;
    }
    if (method != Z_DEFLATED)
        return false;
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    std::vector<char> buffer(1 << 16);
    stream.next_in = const_cast<uchar*>(data);
    stream.avail_in = size;
    int rc = Z_OK;
    while (rc == Z_OK) {
        stream.next_out = reinterpret_cast<uchar*>(buffer.data());
        stream.avail_out = static_cast<uInt>(buffer.size());
        rc = inflate(&stream, Z_NO_FLUSH);
        ends.add(buffer.data(), static_cast<qsizetype>(buffer.size() - stream.avail_out));
        if (rc == Z_BUF_ERROR && stream.avail_in == 0)
            break;
    }
    inflateEnd(&stream);
    return rc == Z_STREAM_END;
}

} // namespace

QString damagedPart(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    const qint64 size = file.size();
    const uchar* data = size > 0 ? file.map(0, size) : nullptr;
    if (!data)
        return QStringLiteral("the workbook is empty");
    const auto u16 = [&](qint64 at) {
        return quint32(data[at]) | quint32(data[at + 1]) << 8;
    };
    const auto u32 = [&](qint64 at) {
        return u16(at) | u16(at + 2) << 16;
    };
    const QString broken = QStringLiteral("the workbook is no valid zip file");

    qint64 directoryEnd = -1;
    for (qint64 at = size - 22; at >= 0 && at >= size - 22 - 0xFFFF; --at) {
        if (u32(at) == 0x06054b50) {
            directoryEnd = at;
            break;
        }
    }
    if (directoryEnd < 0)
        return broken;
    const quint32 entries = u16(directoryEnd + 10);
    qint64 at = u32(directoryEnd + 16);
    for (quint32 i = 0; i < entries; ++i) {
        if (at + 46 > size || u32(at) != 0x02014b50)
            return broken;
        const int method = static_cast<int>(u16(at + 10));
        const quint32 compressed = u32(at + 20);
        const qint64 local = u32(at + 42);
        const QByteArray name(
            reinterpret_cast<const char*>(data + at + 46),
            static_cast<qsizetype>(std::min<qint64>(u16(at + 28), size - at - 46)));
        at += 46 + u16(at + 28) + u16(at + 30) + u16(at + 32);
        if (!name.endsWith(".xml") && !name.endsWith(".rels"))
            continue;
        if (local + 30 > size || u32(local) != 0x04034b50)
            return broken;
        const qint64 start = local + 30 + u16(local + 26) + u16(local + 28);
        if (start + compressed > size)
            return broken;
        PartEnds ends;
        if (!inflatePart(data + start, compressed, method, ends) || !ends.complete())
            return QStringLiteral("part %1 of the workbook was cut short")
                .arg(QString::fromUtf8(name));
    }
    return {};
}

} // namespace platform::grid
