#include "platform/linefile.h"

#include "platform/drives.h"

#include "platform/qtcompat.h"
#include <QFile>
#include <QFileInfo>

namespace platform {
namespace {
QString decodeLine(const QByteArray& bytes) {
    if (std::optional<QString> text = compat::decodeUtf8(bytes))
        return *std::move(text);
    return QString::fromLatin1(bytes);
}
} // namespace

LineFile::LineFile() = default;
LineFile::~LineFile() = default;
LineFile::LineFile(LineFile&&) noexcept = default;
LineFile& LineFile::operator=(LineFile&&) noexcept = default;

bool LineFile::open(const QString& path) {
    close();
    if (path.isEmpty())
        return false;
    auto file = std::make_unique<QFile>(LocalPath(path));
    // Opened without QIODevice::Text so that the line endings are ours to strip, the same way on
    // every platform.
    if (!file->open(QIODevice::ReadOnly))
        return false;
    file_ = std::move(file);
    atStart_ = true;
    return true;
}

void LineFile::close() {
    file_.reset();
}

bool LineFile::isOpen() const {
    return file_ != nullptr;
}

int LineFile::read(QString& line) {
    if (!file_)
        return -1;
    if (file_->atEnd())
        return EndOfFile;
    QByteArray bytes = file_->readLine();
    if (bytes.isEmpty() && file_->error() != QFileDevice::NoError)
        return -1;
    if (bytes.endsWith('\n'))
        bytes.chop(1);
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    // Editors on Windows start UTF-8 files with a byte-order mark; it is not part of the text.
    if (atStart_ && bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    atStart_ = false;
    line = decodeLine(bytes);
    return static_cast<int>(line.size());
}

bool FileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(LocalPath(path));
    return info.exists() && !info.isDir();
}

} // namespace platform
