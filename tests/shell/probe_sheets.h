#pragma once

// Stand-ins for the sheets the frame opens (w_sqlpad, w_db2, w_tbl_sel): they keep the
// record they were opened with and log every event that reaches them.

#include "app/records.h"
#include "platform/message.h"
#include "platform/registry.h"
#include "platform/windows.h"

#include <QCloseEvent>
#include <QStringList>
#include <optional>

namespace testsupport {

// Every probe's events, in order, as "class: event".
inline QStringList& probeLog() {
    static QStringList log;
    return log;
}

// A sheet that handles every command the frame forwards.
class ProbeSheet : public platform::Sheet {
    Q_OBJECT
public:
    explicit ProbeSheet(QString className) : className_(std::move(className)) {
        setWindowTitle(className_);
    }

    const QString& className() const { return className_; }
    // The record in the message object when the sheet opened (none: the object held none).
    std::optional<app::str_sqlca> received;
    bool refuseClose = false;

    void open() override {
        if (const auto* record = platform::Message().parm<app::str_sqlca>())
            received = *record;
        note(QStringLiteral("open"));
    }

    Q_INVOKABLE void ue_sqlpad() override { note(QStringLiteral("ue_sqlpad")); }
    Q_INVOKABLE void ue_print() override { note(QStringLiteral("ue_print")); }
    Q_INVOKABLE void ue_save() override { note(QStringLiteral("ue_save")); }
    Q_INVOKABLE void ue_saveas() override { note(QStringLiteral("ue_saveas")); }
    Q_INVOKABLE void ue_insert() override { note(QStringLiteral("ue_insert")); }
    Q_INVOKABLE void ue_delete() override { note(QStringLiteral("ue_delete")); }
    Q_INVOKABLE void ue_get_columns() override { note(QStringLiteral("ue_get_columns")); }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (refuseClose) {
            event->ignore();
            return;
        }
        note(QStringLiteral("close"));
        platform::Sheet::closeEvent(event);
    }

private:
    void note(const QString& event) { probeLog() << className_ + QStringLiteral(": ") + event; }

    QString className_;
};

// A sheet without any events of its own.
class MuteSheet : public platform::Sheet {
    Q_OBJECT
};

inline void registerProbe(const QString& className) {
    platform::ClassRegistry::instance().add(
        className, [className] { return std::make_unique<ProbeSheet>(className); });
}

} // namespace testsupport
