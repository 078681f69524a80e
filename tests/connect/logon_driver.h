#pragma once

// Shared by the connect and shell tests: the four global connection slots, and a user at a modal
// window such as the logon.

#include "app/globals.h"
#include "app/records.h"
#include "connect/w_logon.h"
#include "platform/odbc/transaction.h"
#include "platform/windows.h"
#include "support/test_support.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

// Test failures show texts as texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace testsupport {

// The application's four slots, fresh and unconnected for one test, closed with it.
class GlobalSlots {
public:
    GlobalSlots() {
        for (std::size_t i = 0; i < slots_.size(); ++i) {
            const QString name =
                i == 0 ? QStringLiteral("SQLCA") : QStringLiteral("SQLCA%1").arg(i);
            slots_[i] = std::make_unique<platform::Transaction>(name);
        }
        app::Globals& g = app::globals();
        g.SQLCA = slots_[0].get();
        g.SQLCA1 = slots_[1].get();
        g.SQLCA2 = slots_[2].get();
        g.SQLCA3 = slots_[3].get();
        g.gs_appname = QStringLiteral("Dorvane");
        g.gs_version = QStringLiteral("Version 1.1");
    }
    ~GlobalSlots() {
        app::Globals& g = app::globals();
        g.SQLCA = g.SQLCA1 = g.SQLCA2 = g.SQLCA3 = nullptr;
    }
    GlobalSlots(const GlobalSlots&) = delete;
    GlobalSlots& operator=(const GlobalSlots&) = delete;

    platform::Transaction& operator[](std::size_t i) { return *slots_.at(i); }

private:
    std::array<std::unique_ptr<platform::Transaction>, 4> slots_;
};

// Runs `action`, which ends with the window closed, on the modal window of type Window: queued,
// so that it runs inside the window's own event loop, and put off while something else handles
// events first. Any other window up there, or one the action left open, fails the test and is
// closed, so that a test never waits for a click that will not come.
template <typename Window> void whenModal(std::function<void(Window*)> action, int turns = 20) {
    QTimer::singleShot(0, [action = std::move(action), turns]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr && turns > 0)
            return whenModal<Window>(std::move(action), turns - 1);
        QPointer<Window> window = qobject_cast<Window*>(modal);
        if (window == nullptr) {
            ADD_FAILURE() << "expected a modal " << Window::staticMetaObject.className();
            if (modal != nullptr)
                modal->close();
            return;
        }
        action(window);
        if (window != nullptr && QApplication::activeModalWidget() == window) {
            ADD_FAILURE() << Window::staticMetaObject.className() << " is still open";
            window->done(QDialog::Rejected);
        }
    });
}

// Key by key; letters beyond ASCII come as key events with only their text, as from an input
// method.
inline void typeInto(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// The user at the logon that is about to open: types the three entries and clicks OK.
inline void logOnWith(const QString& dsn, const QString& uid, const QString& pwd) {
    whenModal<app::w_logon>([dsn, uid, pwd](app::w_logon* logon) {
        typeInto(logon->sle_dsn, dsn);
        typeInto(logon->sle_id, uid);
        typeInto(logon->sle_pwd, pwd);
        QTest::mouseClick(logon->cb_ok, Qt::LeftButton);
    });
}

inline void logOnToSample() {
    logOnWith(sampleDsn(), sampleUser(), samplePassword());
}

inline void cancelLogon() {
    whenModal<app::w_logon>(
        [](app::w_logon* logon) { QTest::mouseClick(logon->cb_cancel, Qt::LeftButton); });
}

// After a test that ended the application. Leaving the application's event loop marks every loop
// of the thread as ended until that loop has run once more, so it runs once here.
inline void forgetHaltClose() {
    platform::resetHalt();
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// A record that some earlier window left in the message object, as if a logon had connected.
inline app::str_sqlca staleConnectedRecord() {
    app::str_sqlca record;
    record.s_sqlca = QStringLiteral("SQLCA3");
    record.s_sqlcode = 0;
    return record;
}

} // namespace testsupport
