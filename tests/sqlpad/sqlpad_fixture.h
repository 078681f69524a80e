#pragma once

// A frame with one SQL workspace in it, the application's SQLCA connected to the sample database,
// and a user at the workspace's controls.

#include "app/globals.h"
#include "app/records.h"
#include "platform/grid/datawindow.h"
#include "platform/message.h"
#include "platform/odbc/transaction.h"
#include "platform/registry.h"
#include "platform/windows.h"
#include "sqlpad/sql_editor.h"
#include "sqlpad/w_sqlpad.h"
#include "support/sheet_test.h"
#include "support/test_support.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace testsupport {

class SqlpadTest : public SheetTest {
protected:
    // Opens a workspace as the frame does after a logon: with a record naming `slotName`.
    app::w_sqlpad* openWorkspace(const QString& slotName = QStringLiteral("SQLCA"),
                                 const QString& sql = QString()) {
        app::str_sqlca record;
        record.s_sqlca = slotName;
        record.s_sql = sql;
        return qobject_cast<app::w_sqlpad*>(
            platform::OpenSheetWithParm(QStringLiteral("w_sqlpad"), record, frame));
    }

    // The first key typed into the editor starts the reading of the catalog; returns once it is
    // read, with the editor focused and as empty as before. False when it was never read.
    static bool readCatalogByTyping(app::w_sqlpad* sheet) {
        sheet->mle_1->setFocus();
        QTest::keyClick(sheet->mle_1, 's');
        const bool read = QTest::qWaitFor([&] { return sheet->catalogReady(); }, 10000);
        QTest::keyClick(sheet->mle_1, Qt::Key_Backspace);
        return read;
    }

    // The user types a query over whatever the editor holds, and presses Retrieve.
    static void retrieve(app::w_sqlpad* sheet, const QString& sql) {
        sheet->mle_1->setText(sql);
        QTest::mouseClick(sheet->cb_retrieve, Qt::LeftButton);
    }
};

} // namespace testsupport
