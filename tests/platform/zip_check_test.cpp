#include "platform/grid/zip_check.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

// A zip file as libxlsxwriter writes one: local headers with their data, the central directory,
// its end record. Checksums are left 0; nothing here reads them.
class Zip {
public:
    // `data` is stored as given, or deflated.
    Zip& add(const QByteArray& name, const QByteArray& data, bool deflate = true) {
        const QByteArray packed = deflate ? deflated(data) : data;
        const auto offset = static_cast<quint32>(body_.size());
        header(body_, 0x04034b50, deflate, packed.size(), data.size(), name);
        body_ += name + packed;
        header(directory_, 0x02014b50, deflate, packed.size(), data.size(), name);
        put32(directory_, offset);
        directory_ += name;
        ++entries_;
        return *this;
    }
    QByteArray bytes() const {
        QByteArray end;
        put32(end, 0x06054b50);
        put32(end, 0);
        put16(end, entries_);
        put16(end, entries_);
        put32(end, static_cast<quint32>(directory_.size()));
        put32(end, static_cast<quint32>(body_.size()));
        put16(end, 0);
        return body_ + directory_ + end;
    }

    // Raw deflate: qCompress's zlib stream without its size prefix, header and checksum.
    static QByteArray deflated(const QByteArray& data) {
        const QByteArray zlib = qCompress(data);
        return zlib.mid(6, zlib.size() - 10);
    }

private:
    static void put16(QByteArray& out, quint32 value) {
        out += char(value & 0xFF);
        out += char((value >> 8) & 0xFF);
    }
    static void put32(QByteArray& out, quint32 value) {
        put16(out, value & 0xFFFF);
        put16(out, value >> 16);
    }
    // A local header, or a central directory entry up to its local header offset.
    static void header(QByteArray& out, quint32 signature, bool deflate, qsizetype packed,
                       qsizetype size, const QByteArray& name) {
        const bool central = signature == 0x02014b50;
        put32(out, signature);
        if (central)
            put16(out, 20);
        for (quint32 value : {20u, 0u, deflate ? 8u : 0u, 0u, 0u})
            put16(out, value);
        put32(out, 0);
        put32(out, static_cast<quint32>(packed));
        put32(out, static_cast<quint32>(size));
        put16(out, static_cast<quint32>(name.size()));
        put16(out, 0);
        if (central) {
            // Comment length, disk, internal and external attributes.
            for (int i = 0; i < 5; ++i)
                put16(out, 0);
        }
    }
    QByteArray body_;
    QByteArray directory_;
    quint32 entries_ = 0;
};

const QByteArray sheet = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                         "<worksheet xmlns=\"x\"><sheetData><row r=\"1\"/></sheetData></worksheet>";
const QByteArray rels = "<?xml version=\"1.0\"?>\n<Relationships xmlns=\"r\"><Relationship "
                        "Id=\"rId1\" Target=\"xl/workbook.xml\"/></Relationships>\n";

class ZipCheckTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    QString damage(const QByteArray& bytes) {
        const QString path = folder.filePath(QStringLiteral("book.xlsx"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        return platform::grid::damagedPart(path);
    }
    QTemporaryDir folder;
};

} // namespace

TEST_F(ZipCheckTest, WholePartsPassStoredOrDeflated) {
    EXPECT_EQ(damage(Zip()
                         .add("_rels/.rels", rels, false)
                         .add("xl/worksheets/sheet1.xml", sheet)
                         .add("docProps/thumbnail.jpeg", "not xml at all", false)
                         .bytes()),
              QString());
}

TEST_F(ZipCheckTest, PartWithoutItsEndTagIsCutShort) {
    EXPECT_EQ(damage(Zip()
                         .add("_rels/.rels", rels)
                         .add("xl/worksheets/sheet1.xml", sheet.left(sheet.size() - 5))
                         .bytes()),
              QStringLiteral("part xl/worksheets/sheet1.xml of the workbook was cut short"));
    EXPECT_EQ(damage(Zip().add("xl/styles.xml", sheet.left(sheet.size() - 5), false).bytes()),
              QStringLiteral("part xl/styles.xml of the workbook was cut short"));
}

TEST_F(ZipCheckTest, DeflatedPartEndingEarlyIsCutShort) {
    // The compressed data halved, in the file and in both headers.
    const QByteArray whole = Zip::deflated(rels);
    QByteArray bytes = Zip().add("_rels/.rels", whole.left(whole.size() / 2), false).bytes();
    // Marked deflated again: method 8 in the local header and in the directory entry.
    bytes[8] = 8;
    bytes[bytes.indexOf(QByteArray("PK\x01\x02", 4)) + 10] = 8;
    EXPECT_EQ(damage(bytes), QStringLiteral("part _rels/.rels of the workbook was cut short"));
}

TEST_F(ZipCheckTest, FilesThatAreNoZipSayWhy) {
    EXPECT_EQ(damage(QByteArray()), QStringLiteral("the workbook is empty"));
    EXPECT_EQ(damage(QByteArray(100, 'x')), QStringLiteral("the workbook is no valid zip file"));
    const QByteArray whole = Zip().add("xl/workbook.xml", sheet).bytes();
    EXPECT_EQ(damage(whole.left(whole.size() - 30)),
              QStringLiteral("the workbook is no valid zip file"));
}
