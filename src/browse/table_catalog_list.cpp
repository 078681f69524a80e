#include "browse/table_catalog_list.h"

#include "platform/grid/datawindow.h"
#include "platform/odbc/transaction.h"

namespace app {

long retrieveTableList(platform::grid::DataWindow& list, const platform::Transaction* slot,
                       const QString& creatorColumn, const QString& nameColumn,
                       platform::sql::IdentifierCase& folding) {
    if (slot == nullptr || slot->isDb2())
        return list.Retrieve();
    bool noCatalog = false;
    list.setDbErrorHandler([&noCatalog](const QString&) {
        noCatalog = true;
        return 1L;
    });
    const long rows = list.Retrieve();
    list.setDbErrorHandler(nullptr);
    if (!noCatalog)
        return rows;
    folding = slot->identifierCase();
    const long tables =
        list.RetrieveTableCatalog({{creatorColumn, platform::grid::TableCatalogColumn::Schema},
                                   {nameColumn, platform::grid::TableCatalogColumn::Name}});
    if (tables > 0 && list.SetSort(creatorColumn + QStringLiteral(" A, ") + nameColumn +
                                   QStringLiteral(" A")) == 1)
        list.Sort();
    return tables;
}

} // namespace app
