#include "connect/w_logon.h"

#include "app/globals.h"
#include "app/look.h"
#include "connect/discovery.h"
#include "connect/entry_width.h"
#include "connect/key1_xpm.h"
#include "connect/logon_rules.h"
#include "platform/events.h"
#include "platform/message.h"
#include "platform/messagebox.h"
#include "platform/odbc/datasources.h"
#include "platform/odbc/transaction.h"
#include "platform/pointer.h"
#include "platform/profile.h"
#include "platform/units.h"

#include <QCompleter>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>

namespace app {
namespace {

// An entry of the logon takes no more than its width shows.
QLineEdit* makeEntry(QWidget* parent, const QFont& font) {
    QLineEdit* edit = singleLineEdit(parent, font);
    limitEntryToVisibleWidth(edit);
    return edit;
}

} // namespace

w_logon::w_logon() {
    setWindowTitle(QStringLiteral("Logon"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowBackground(this);
    platform::placeControl(this, 833, 361, 2071, 581);
    setFixedSize(size());

    const QFont bold = windowFont(QStringLiteral("MS Sans Serif"), 8, true);
    const QFont normal = windowFont(QStringLiteral("MS Sans Serif"), 8, false);

    st_1 = sheetLabel(this, QStringLiteral("Data Source:"), bold);
    platform::placeControl(st_1, 421, 89, 371, 77);

    sle_dsn = makeEntry(this, bold);
    platform::placeControl(sle_dsn, 787, 57, 805, 93);

    p_1 = new QLabel(this);
    p_1->setPixmap(QPixmap(key1_xpm));
    p_1->setScaledContents(true);
    p_1->setFrameShape(QFrame::Box);
    platform::placeControl(p_1, 74, 61, 275, 241);

    lb_1 = new w_logon_lb_1(this);
    lb_1->setFont(bold);
    lb_1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    lb_1->setVisible(false);
    platform::placeControl(lb_1, 1619, 545, 375, 205);

    cb_cancel = commandButton(this, QStringLiteral("&Cancel"), normal);
    platform::placeControl(cb_cancel, 1715, 233, 247, 109);

    // The password takes any length: one from a password manager is longer than the field
    // shows, and a password cut short fails the logon, which ends the program.
    sle_pwd = singleLineEdit(this, bold);
    sle_pwd->setEchoMode(QLineEdit::Password);
    platform::placeControl(sle_pwd, 787, 321, 805, 93);

    st_3 = disabledLabel(this, QStringLiteral("Password:"), bold);
    platform::placeControl(st_3, 490, 333, 284, 77);

    sle_id = makeEntry(this, bold);
    platform::placeControl(sle_id, 787, 189, 805, 93);

    st_2 = disabledLabel(this, QStringLiteral("User ID:"), bold);
    platform::placeControl(st_2, 549, 205, 225, 77);

    cb_ok = commandButton(this, QStringLiteral("&OK"), normal);
    cb_ok->setDefault(true);
    platform::placeControl(cb_ok, 1715, 77, 247, 109);

    connectControls();
    offerDataSources();
}

void w_logon::connectControls() {
    setTabOrder(sle_dsn, sle_id);
    setTabOrder(sle_id, sle_pwd);
    setTabOrder(sle_pwd, cb_ok);
    setTabOrder(cb_ok, cb_cancel);
    setTabOrder(cb_cancel, lb_1);
    sle_dsn->setFocus();

    connect(cb_ok, &QPushButton::clicked, this, &w_logon::cb_ok_clicked);
    connect(cb_cancel, &QPushButton::clicked, this, &w_logon::cb_cancel_clicked);
}

void w_logon::offerDataSources() {
    // The data sources the driver manager knows are offered while the user types; the entry
    // stays what was typed until one is chosen from the list.
    auto* completer = new QCompleter(platform::odbc::dataSourceNames(), sle_dsn);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    sle_dsn->setCompleter(completer);
}

w_logon::~w_logon() = default;

void w_logon::open() {
    // The opener passes no parameter; only a discovery record is worth keeping.
    const auto* ini = platform::Message().parm<str_ini>();
    istr_ini = ini != nullptr ? *ini : str_ini{};
    platform::TriggerEvent(this, "ue_initialize");
}

void w_logon::ue_initialize() {}

platform::Transaction* w_logon::chooseSlot(QString& ls_sqlca) {
    platform::Transaction* ltr = nullptr;
    const QString ls_free = firstFreeSlot();
    if (ls_free.isEmpty()) {
        // 4. Every slot is in use: the chooser frees one first. An answer that names no slot
        // (a cancelled choice, a chooser that could not open) cancels the logon.
        const bool chosen = platform::Open(QStringLiteral("w_sqlca")) == 1;
        ls_sqlca = chosen ? platform::Message().StringParm : QString();
        ltr = slotByName(ls_sqlca);
    } else {
        // 5.
        ls_sqlca = ls_free;
        ltr = slotByName(ls_sqlca);
    }
    return ltr;
}

void w_logon::ue_ok() {
    // 1, 2. Both entries are required; blanks count as entries.
    if (sle_id->text().isEmpty()) {
        sle_id->setFocus();
        return;
    }
    if (sle_pwd->text().isEmpty()) {
        sle_pwd->setFocus();
        return;
    }

    // 3.
    istr_rtn.s_misc = QStringLiteral("db2");
    const QString ls_db = QStringLiteral("ODBC");
    istr_rtn.s_dbms = ls_db;

    QString ls_sqlca;
    platform::Transaction* ltr = chooseSlot(ls_sqlca);
    if (ltr == nullptr) {
        cb_cancel_clicked();
        return;
    }

    // 6.
    istr_rtn.s_sqlca = ls_sqlca;
    istr_rtn.s_uid = sle_id->text();
    istr_rtn.s_pwd = sle_pwd->text();
    istr_rtn.s_dsn = sle_dsn->text();
    const QString ls_dsn = istr_rtn.s_dsn;

    // 7, 8.
    ltr->DBMS = ls_db;
    ltr->DBParm = composeConnectText(ls_dsn, sle_id->text(), sle_pwd->text());

    // 9.
    platform::SetPointer(platform::Pointer::HourGlass);
    ltr->Connect();
    platform::SetPointer(platform::Pointer::Arrow);

    // 10.
    istr_rtn.s_dbparm = ltr->DBParm;
    istr_rtn.s_sqlcode = ltr->SQLCode;

    // 11. A failed connect ends the run; the driver's own text is not shown.
    const QString failure = connectFailureText(ltr->SQLCode);
    if (!failure.isEmpty()) {
        platform::MessageBox(QStringLiteral("Error"), failure);
        platform::HaltClose();
        return;
    }
    CloseWithReturn(istr_rtn);
}

void w_logon::ue_get_ini() {
    // 1, 2.
    platform::TriggerEvent(lb_1, "ue_get_ini", QStringLiteral("c:"));
    if (is_files.UpperBound() == 0)
        platform::TriggerEvent(lb_1, "ue_get_ini", QStringLiteral("d:"));

    // 3, 4. The first file found; both lists are written over from index 1, not emptied.
    const QString ls_vendors = platform::ProfileString(is_files[1], QStringLiteral("Database"),
                                                       QStringLiteral("Vendors"), QString());
    long ll_index = 0;
    for (const QString& ls_item : splitVendors(ls_vendors))
        istr_ini.ss_database.set(++ll_index, ls_item);

    const QString ls_profiles = platform::ProfileString(
        is_files[1], QStringLiteral("DBMS_PROFILES"), QStringLiteral("PROFILES"), QString());
    ll_index = 0;
    for (const QString& ls_item : scanProfiles(ls_profiles))
        istr_ini.ss_profile.set(++ll_index, ls_item);
}

void w_logon::cb_ok_clicked() {
    platform::TriggerEvent(this, "ue_ok");
}

void w_logon::cb_cancel_clicked() {
    const str_sqlca lstr_dummy;
    istr_rtn = lstr_dummy;
    CloseWithReturn(istr_rtn);
}

void w_logon::reject() {
    cb_cancel_clicked();
}

} // namespace app
