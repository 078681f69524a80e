#pragma once

// A frame of the test's own, with one of the application's slots connected to the sample
// database: sheets open in it as the real frame opens them, and a user clicks in them. Message
// boxes are answered by script.

#include "app/globals.h"
#include "platform/message.h"
#include "platform/odbc/transaction.h"
#include "platform/registry.h"
#include "platform/windows.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <memory>

namespace testsupport {

class SheetTest : public ::testing::Test {
protected:
    // The global slot that the sheets' records name: "SQLCA" ... "SQLCA3".
    explicit SheetTest(QString slotName = QStringLiteral("SQLCA"))
        : slotName_(std::move(slotName)) {}

    void SetUp() override {
        slot = connectedSlot(slotName_);
        global() = slot.get();
        platform::ClassRegistry::instance().add<platform::Frame>(frameClass());
        platform::Message().reset();
        ASSERT_EQ(platform::Open(frameClass()), 1);
        frame = platform::currentFrame();
    }
    void TearDown() override {
        platform::destroyWindows();
        platform::ClassRegistry::instance().remove(frameClass());
        global() = nullptr;
        if (slot->isConnected())
            slot->Rollback();
    }

    // Every message box so far, as "title / text".
    QStringList said() const {
        QStringList texts;
        for (const platform::MessageBoxRequest& box : boxes.shown())
            texts << box.title + QStringLiteral(" / ") + box.text;
        return texts;
    }

    std::unique_ptr<platform::Transaction> slot;
    platform::Frame* frame = nullptr;
    ScriptedMessageBoxes boxes;

private:
    static QString frameClass() { return QStringLiteral("test_frame"); }
    platform::Transaction*& global() {
        app::Globals& g = app::globals();
        if (slotName_ == QLatin1String("SQLCA1"))
            return g.SQLCA1;
        if (slotName_ == QLatin1String("SQLCA2"))
            return g.SQLCA2;
        if (slotName_ == QLatin1String("SQLCA3"))
            return g.SQLCA3;
        return g.SQLCA;
    }

    QString slotName_;
};

// The SQLite sample (no Db2 catalog) connected in the global slot SQLCA1 while it lives; the
// windows go before it, and its work is rolled back.
class SqliteInSqlca1 {
public:
    SqliteInSqlca1() {
        lite.DBMS = QStringLiteral("ODBC");
        lite.DBParm = QStringLiteral("DSN=") + sqliteDsn();
        lite.Connect();
        if (lite.SQLCode == 0)
            app::globals().SQLCA1 = &lite;
    }
    ~SqliteInSqlca1() {
        platform::destroyWindows();
        app::globals().SQLCA1 = nullptr;
        if (lite.isConnected()) {
            lite.Rollback();
            lite.Disconnect();
        }
    }
    SqliteInSqlca1(const SqliteInSqlca1&) = delete;
    SqliteInSqlca1& operator=(const SqliteInSqlca1&) = delete;

    platform::Transaction lite{QStringLiteral("SQLCA1")};
};

} // namespace testsupport
