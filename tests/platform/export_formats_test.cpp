#include "platform/grid/export_formats.h"

#include <gtest/gtest.h>

#include <vector>

using platform::grid::ExportFormat;

TEST(ExportFormats, FiltersAndSuffixesLeadBackToTheirFormat) {
    const std::vector<ExportFormat> everyFormat = {
        ExportFormat::Csv, ExportFormat::Text,      ExportFormat::Html, ExportFormat::Json,
        ExportFormat::Xml, ExportFormat::SqlInsert, ExportFormat::Excel};
    ASSERT_EQ(platform::grid::exportFilters().size(), qsizetype(everyFormat.size()));
    for (ExportFormat format : everyFormat) {
        const QString filter = platform::grid::exportFilter(format);
        const QString suffix = platform::grid::exportSuffix(format);
        EXPECT_EQ(platform::grid::formatForFilter(filter), format) << filter.toStdString();
        EXPECT_TRUE(filter.contains(QStringLiteral("*.") + suffix)) << filter.toStdString();
        EXPECT_EQ(platform::grid::formatForSuffix(QStringLiteral(".") + suffix.toUpper()), format);
    }
    EXPECT_EQ(platform::grid::formatForSuffix(QStringLiteral("tsv")), ExportFormat::Text);
    EXPECT_EQ(platform::grid::formatForSuffix(QStringLiteral("doc"), ExportFormat::Xml),
              ExportFormat::Xml);
}
