#include "csv_reader.h"

namespace fuzz {

std::optional<std::vector<CsvRecord>> readCsv(const QString& text) {
    std::vector<CsvRecord> records;
    const qsizetype n = text.size();
    qsizetype i = 0;
    const auto atRecordEnd = [&](qsizetype at) {
        return at + 1 < n && text.at(at) == u'\r' && text.at(at + 1) == u'\n';
    };
    while (i < n) {
        CsvRecord record;
        for (;;) {
            if (i < n && text.at(i) == u'"') {
                QString value;
                ++i;
                for (;;) {
                    if (i >= n)
                        return std::nullopt; // not closed
                    if (text.at(i) == u'"') {
                        if (i + 1 < n && text.at(i + 1) == u'"') {
                            value += u'"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    value += text.at(i++);
                }
                record.emplace_back(std::move(value));
            } else {
                const qsizetype start = i;
                while (i < n && text.at(i) != u',' && text.at(i) != u'\r') {
                    if (text.at(i) == u'"' || text.at(i) == u'\n')
                        return std::nullopt;
                    ++i;
                }
                if (i == start)
                    record.emplace_back(std::nullopt);
                else
                    record.emplace_back(text.mid(start, i - start));
            }
            if (i < n && text.at(i) == u',') {
                ++i;
                continue;
            }
            if (!atRecordEnd(i))
                return std::nullopt; // a lone CR, text after a closing quote, or no CRLF at the end
            i += 2;
            break;
        }
        records.push_back(std::move(record));
    }
    return records;
}

} // namespace fuzz
