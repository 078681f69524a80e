#include "platform/grid/export_formats.h"

#include "platform/grid/export_excel.h"
#include "platform/grid/export_text.h"

#include <QLatin1String>

#include <array>

namespace platform::grid {
namespace {

struct FormatEntry {
    ExportFormat format;
    // The file dialog's filter.
    const char* filter;
    // The suffixes that name the format in a file name, the one a file gets first; unused
    // places are nullptr.
    std::array<const char*, 3> suffixes;
    exporting::ExportWriter write;
};

// Every format, in the order the file dialog lists them.
constexpr std::array<FormatEntry, 7> formats = {{
    {ExportFormat::Csv, "CSV (*.csv)", {"csv"}, exporting::writeCsvFile},
    {ExportFormat::Text,
     "Tab-separated text (*.txt *.tsv)",
     {"txt", "tsv", "tab"},
     exporting::writeTabTextFile},
    {ExportFormat::Html, "HTML (*.html *.htm)", {"html", "htm"}, exporting::writeHtmlFile},
    {ExportFormat::Json, "JSON (*.json)", {"json"}, exporting::writeJsonFile},
    {ExportFormat::Xml, "XML (*.xml)", {"xml"}, exporting::writeXmlFile},
    {ExportFormat::SqlInsert,
     "SQL INSERT statements (*.sql)",
     {"sql"},
     exporting::writeSqlInsertFile},
    {ExportFormat::Excel, "Excel (*.xlsx)", {"xlsx"}, exporting::writeExcelFile},
}};

const FormatEntry* entryFor(ExportFormat format) {
    for (const FormatEntry& entry : formats) {
        if (entry.format == format)
            return &entry;
    }
    return nullptr;
}

} // namespace

QString exportFilter(ExportFormat format) {
    const FormatEntry* entry = entryFor(format);
    return entry != nullptr ? QString::fromLatin1(entry->filter) : QString();
}

QStringList exportFilters() {
    QStringList filters;
    for (const FormatEntry& entry : formats)
        filters << QString::fromLatin1(entry.filter);
    return filters;
}

QString exportSuffix(ExportFormat format) {
    const FormatEntry* entry = entryFor(format);
    return entry != nullptr ? QString::fromLatin1(entry->suffixes.front()) : QString();
}

ExportFormat formatForFilter(const QString& filter, ExportFormat fallback) {
    const QString wanted = filter.trimmed();
    for (const FormatEntry& entry : formats) {
        if (wanted.compare(QLatin1String(entry.filter), Qt::CaseInsensitive) == 0)
            return entry.format;
    }
    return fallback;
}

ExportFormat formatForSuffix(const QString& suffix, ExportFormat fallback) {
    QString s = suffix.trimmed().toLower();
    if (s.startsWith(u'.'))
        s.remove(0, 1);
    for (const FormatEntry& entry : formats) {
        for (const char* known : entry.suffixes) {
            if (known != nullptr && s == QLatin1String(known))
                return entry.format;
        }
    }
    return fallback;
}

namespace exporting {

ExportWriter writerFor(ExportFormat format) {
    const FormatEntry* entry = entryFor(format);
    return entry != nullptr ? entry->write : nullptr;
}

} // namespace exporting
} // namespace platform::grid
