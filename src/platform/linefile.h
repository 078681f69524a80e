#pragma once

#include <QString>
#include <memory>

class QFile;

namespace platform {

// A text file read one line per call, as the classic FileOpen/FileRead in line mode.
class LineFile {
public:
    // What read() returns once every line has been read.
    static constexpr int EndOfFile = -100;

    LineFile();
    ~LineFile();
    LineFile(LineFile&&) noexcept;
    LineFile& operator=(LineFile&&) noexcept;
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    // Opens `path` for reading, closing any file opened before; `path` may start with a drive
    // (platform/drives.h). False when it cannot be read.
    bool open(const QString& path);
    void close();
    bool isOpen() const;

    // Reads the next line without its CRLF or LF ending into `line` and returns its length in
    // characters (0 for an empty line), EndOfFile after the last line, or -1 when no file is open
    // or reading fails. Lines are UTF-8; a line that is not valid UTF-8 is taken as Latin-1.
    int read(QString& line);

private:
    std::unique_ptr<QFile> file_;
    bool atStart_ = true;
};

// True when `path` (which may start with a drive) names an existing file, not a directory.
bool FileExists(const QString& path);

} // namespace platform
