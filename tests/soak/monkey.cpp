#include "soak/monkey.h"

#include "browse/query_grid.h"
#include "browse/w_tbl_view.h"
#include "connect/w_logon.h"
#include "platform/grid/datawindow.h"
#include "platform/windows.h"
#include "shell/m_main.h"
#include "shell/w_frame.h"
#include "soak/watchdog.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QWindow>
#include <cstdlib>
#include <utility>

namespace soak {
namespace {

// What a hurried user types into a SQL workspace: quick, slow, huge and wrong statements, and
// one that returns no result set.
struct Query {
    const char* text;
    int weight;
};
constexpr Query queries[] = {
    {"select * from db2inst1.employee", 14},
    {"select * from db2inst1.department", 6},
    {"select empno, lastname, salary from db2inst1.employee order by salary desc", 5},
    {"select * from db2inst1.emp_photo", 3},
    {"select * from tools.tool", 3},
    {"select pg_sleep(2), 1", 8},
    {"select n, repeat('x', 200) from generate_series(1, 2000000) n", 4},
    {"select n from generate_series(1, 50000) n", 4},
    {"selec nothing", 5},
    {"select * from no_such_table", 5},
    {"select 1/0", 2},
    {"update db2inst1.employee set bonus = bonus where 1 = 0", 4},
    {"", 1},
};

constexpr const char* criteria[] = {
    "",  "empno > '000100'",    "salary > 50000", "workdept = 'D11'", "no_such_column = 1", "1 = 1",
    "'", "lastname like '%A%'",
};
constexpr const char* sorts[] = {
    "", "lastname", "2 desc", "salary desc, empno", "nonsense", ";",
};

struct KeyChoice {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* name;
    int weight;
};
const KeyChoice keys[] = {
    {Qt::Key_Tab, Qt::NoModifier, "Tab", 8},
    {Qt::Key_Backtab, Qt::ShiftModifier, "Shift+Tab", 4},
    {Qt::Key_Return, Qt::NoModifier, "Enter", 8},
    {Qt::Key_Enter, Qt::KeypadModifier, "keypad Enter", 1},
    {Qt::Key_Escape, Qt::NoModifier, "Esc", 7},
    {Qt::Key_F2, Qt::NoModifier, "F2", 5},
    {Qt::Key_Delete, Qt::NoModifier, "Delete", 5},
    {Qt::Key_Delete, Qt::AltModifier, "Alt+Delete", 3},
    {Qt::Key_Return, Qt::ControlModifier, "Ctrl+Enter", 4},
    {Qt::Key_C, Qt::ControlModifier, "Ctrl+C", 3},
    {Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier, "Ctrl+Shift+C", 1},
    {Qt::Key_V, Qt::ControlModifier, "Ctrl+V", 1},
    {Qt::Key_A, Qt::ControlModifier, "Ctrl+A", 1},
    {Qt::Key_Up, Qt::ControlModifier, "Ctrl+Up", 1},
    {Qt::Key_Down, Qt::ControlModifier, "Ctrl+Down", 1},
    {Qt::Key_Up, Qt::NoModifier, "Up", 3},
    {Qt::Key_Down, Qt::NoModifier, "Down", 4},
    {Qt::Key_Left, Qt::NoModifier, "Left", 1},
    {Qt::Key_Right, Qt::NoModifier, "Right", 1},
    {Qt::Key_PageDown, Qt::NoModifier, "PageDown", 2},
    {Qt::Key_Home, Qt::NoModifier, "Home", 1},
    {Qt::Key_End, Qt::NoModifier, "End", 1},
    {Qt::Key_Space, Qt::NoModifier, "Space", 2},
    {Qt::Key_Backspace, Qt::NoModifier, "Backspace", 2},
};
// The access keys of the captions (Retrieve, Stop, Close, OK, Cancel, Save As, Exit) and the
// menu bar's letters (File, Edit, Help, Open).
constexpr char accessLetters[] = "RSCOAXFEHRSCFEH";
constexpr char typedLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789 '%*,.";

// The character's key, as a keyboard gives it.
Qt::Key keyOf(char c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<Qt::Key>(Qt::Key_A + (c - 'a'));
    if (c >= 'A' && c <= 'Z')
        return static_cast<Qt::Key>(Qt::Key_A + (c - 'A'));
    if (c >= '0' && c <= '9')
        return static_cast<Qt::Key>(Qt::Key_0 + (c - '0'));
    return static_cast<Qt::Key>(static_cast<unsigned char>(c)); // Qt's keys for ASCII punctuation
}

QString shortened(QString text, int length = 60) {
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text.size() > length ? text.left(length) + QStringLiteral("...") : text;
}

app::w_frame* frame() {
    auto* frame = qobject_cast<app::w_frame*>(platform::currentFrame());
    return frame != nullptr && frame->isVisible() ? frame : nullptr;
}

// The frame's visible sheets that `accept` takes.
template <typename Accept> QList<QWidget*> sheetsWhere(Accept accept) {
    QList<QWidget*> found;
    if (app::w_frame* f = frame()) {
        for (QWidget* sheet : f->sheets()) {
            if (sheet->isVisible() && accept(sheet))
                found << sheet;
        }
    }
    return found;
}

void activate(QWidget* sheet) {
    app::w_frame* f = frame();
    auto* sub = qobject_cast<QMdiSubWindow*>(sheet->parentWidget());
    if (f != nullptr && sub != nullptr && f->mdiArea()->subWindowList().contains(sub))
        f->mdiArea()->setActiveSubWindow(sub);
}

} // namespace

Monkey::Monkey(std::uint64_t seed, int round, Budget budget, QString fileFolder, ActionLog& log)
    : budget_(budget), fileFolder_(std::move(fileFolder)), log_(log) {
    std::seed_seq sequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32),
                           static_cast<std::uint32_t>(round)};
    random_.seed(sequence);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &Monkey::tick);
}

void Monkey::start() {
    clock_.start();
    timer_.start(200);
}

int Monkey::below(int n) {
    if (n <= 1)
        return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(random_);
}

bool Monkey::chance(double p) {
    return std::uniform_real_distribution<double>(0.0, 1.0)(random_) < p;
}

template <std::size_t N> int Monkey::weighted(const int (&weights)[N]) {
    int total = 0;
    for (const int w : weights)
        total += w;
    int r = below(total);
    for (std::size_t i = 0; i < N; ++i) {
        if (r < weights[i])
            return static_cast<int>(i);
        r -= weights[i];
    }
    return static_cast<int>(N) - 1;
}

void Monkey::tick() {
    // Armed again first, so that it also fires inside an event loop that this action opens.
    if (closing_) {
        timer_.start(100);
    } else {
        const int pace = below(100);
        timer_.start(pace < 3 ? 800 + below(2200) : pace < 10 ? below(10) : 20 + below(100));
    }
    if (!closing_ && ((budget_.actions > 0 && actions_ >= budget_.actions) ||
                      (budget_.seconds > 0 && clock_.elapsed() >= budget_.seconds * 1000))) {
        closing_ = true;
        closingClock_.start();
        ActionLog::say(QStringLiteral("budget spent after %1 actions: closing the program")
                           .arg(actions_)
                           .toStdString());
    }
    if (closing_) {
        closeDown();
        return;
    }
    if (actions_ > 0 && actions_ % 200 == 0)
        cleanFiles(QString());
    ++depth_;
    act();
    --depth_;
}

void Monkey::act() {
    if (QWidget* popup = QApplication::activePopupWidget()) {
        answerPopup(popup);
        return;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        answerModal(modal);
        return;
    }
    app::w_frame* f = frame();
    if (f == nullptr)
        return;
    switch (weighted({34, 30, 11, 15, 6, 4})) {
    case 0:
        click(f);
        break;
    case 1:
        key(f);
        break;
    case 2:
        menuCommand();
        break;
    case 3:
        query();
        break;
    case 4:
        criterion();
        break;
    default:
        closeSheet();
        break;
    }
}

// --- input ---------------------------------------------------------------------------------

QPoint Monkey::widgetCenter(const QWidget* widget) {
    return widget->rect().center();
}

void Monkey::clickAt(QWidget* widget, QPoint point, Qt::MouseButton button, bool twice) {
    QWidget* top = widget->window();
    QPointer<QWindow> window = top->windowHandle();
    if (window == nullptr)
        return;
    const QPointF at = widget->mapTo(top, point);
    const QPointF global = window->mapToGlobal(at.toPoint());
    // Each event as the window system delivers it, at once and without running the event loop
    // in between: whatever the events start (an event loop of a menu, a message box, a
    // retrieval) runs, and only then does the next event come. Clicks apart are never taken
    // for a double click; the two of a double click are.
    timestamp_ += 1000;
    const auto send = [&](QEvent::Type type, Qt::MouseButtons state) {
        if (window != nullptr)
            qt_handleMouseEvent(window, at, global, state, button, type, Qt::NoModifier,
                                timestamp_);
    };
    send(QEvent::MouseMove, Qt::NoButton);
    for (int i = 0; i < (twice ? 2 : 1); ++i) {
        send(QEvent::MouseButtonPress, button);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        timestamp_ += 10;
    }
}

void Monkey::press(QWidget* top, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QPointer<QWindow> window = top->window()->windowHandle();
    if (window == nullptr)
        return;
    QString text;
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde &&
        !(modifiers & (Qt::ControlModifier | Qt::AltModifier))) {
        const auto c = static_cast<char>(key);
        text = QString(QChar::fromLatin1((modifiers & Qt::ShiftModifier) || c < 'A' || c > 'Z'
                                             ? c
                                             : static_cast<char>(c - 'A' + 'a')));
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        text = QStringLiteral("\r");
    } else if (key == Qt::Key_Tab) {
        text = QStringLiteral("\t");
    } else if (key == Qt::Key_Escape) {
        text = QString(QChar(0x1b));
    }
    // As the window system delivers it: shortcuts first, then the window's focus widget.
    qt_handleKeyEvent(window, QEvent::KeyPress, key, modifiers, text);
    if (window != nullptr)
        qt_handleKeyEvent(window, QEvent::KeyRelease, key, modifiers, text);
}

void Monkey::typeInto(QWidget* widget, const QString& text) {
    QPointer<QWidget> guard(widget);
    clickCenter(widget);
    if (guard == nullptr)
        return;
    press(guard, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty() && guard != nullptr)
        press(guard, Qt::Key_Delete);
    for (const QChar c : text) {
        if (guard == nullptr)
            return;
        // Into whatever has the focus now, as a user's keys go.
        const char ascii = c.toLatin1();
        const bool upper = ascii >= 'A' && ascii <= 'Z';
        press(guard, keyOf(ascii), upper ? Qt::ShiftModifier : Qt::NoModifier);
    }
}

// --- actions ---------------------------------------------------------------------------------

void Monkey::click(QWidget* top) {
    if (top->width() <= 0 || top->height() <= 0)
        return;
    const QPoint point(below(top->width()), below(top->height()));
    QWidget* hit = top->childAt(point);
    if (hit == nullptr)
        hit = top;
    const int kind = weighted({80, 8, 12});
    const char* names[] = {"click", "double click", "right click"};
    log(QStringLiteral("%1 at %2,%3 of %4 on")
            .arg(QLatin1String(names[kind]))
            .arg(point.x())
            .arg(point.y())
            .arg(QLatin1String(top->metaObject()->className())),
        hit);
    clickAt(top, point, kind == 2 ? Qt::RightButton : Qt::LeftButton, kind == 1);
}

void Monkey::key(QWidget* top) {
    // Where the key goes: the focus widget, or the one the window would give the focus to
    // (a window that the offscreen platform did not activate again keeps its own).
    const QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || focus->window() != top->window())
        focus = top->window()->focusWidget();
    if (focus == nullptr)
        focus = top;
    const int kind = weighted({70, 20, 14});
    if (kind == 0) {
        int weights[std::size(keys)];
        for (std::size_t i = 0; i < std::size(keys); ++i)
            weights[i] = keys[i].weight;
        const KeyChoice& choice = keys[static_cast<std::size_t>(weighted(weights))];
        log(QStringLiteral("key %1 to").arg(QLatin1String(choice.name)), focus);
        press(top, choice.key, choice.modifiers);
    } else if (kind == 1) {
        const char letter = typedLetters[below(static_cast<int>(std::size(typedLetters)) - 1)];
        log(QStringLiteral("key '%1' to").arg(QLatin1Char(letter)), focus);
        press(top, keyOf(letter));
    } else {
        const char letter = accessLetters[below(static_cast<int>(std::size(accessLetters)) - 1)];
        log(QStringLiteral("key Alt+%1 to").arg(QLatin1Char(letter)), focus);
        press(top, keyOf(letter), Qt::AltModifier);
    }
}

void Monkey::menuCommand() {
    app::w_frame* f = frame();
    if (f == nullptr)
        return;
    const app::m_main* menu = f->MenuID();
    const std::pair<QAction*, int> items[] = {
        {menu->m_administrator, 14}, {menu->m_singletablemgr, 12},
        {menu->m_multi_tablemgr, 8}, {menu->m_newdbparm, 5},
        {menu->m_save, 8},           {menu->m_saveas, 12},
        {menu->m_print, 6},          {menu->m_insert, 8},
        {menu->m_delete, 8},         {menu->m_about, 3},
        {menu->m_exit, 1},
    };
    int weights[std::size(items)];
    for (std::size_t i = 0; i < std::size(items); ++i)
        weights[i] = items[i].second;
    QPointer<QAction> action = items[static_cast<std::size_t>(weighted(weights))].first;
    const QString name = action->text().remove(QLatin1Char('&'));
    if (!action->isEnabled()) {
        log(QStringLiteral("menu %1 (disabled: nothing)").arg(name));
        return;
    }
    log(QStringLiteral("menu %1").arg(name));
    action->trigger();
}

void Monkey::query() {
    const QList<QWidget*> pads =
        sheetsWhere([](QWidget* sheet) { return sheet->inherits("app::w_sqlpad"); });
    if (pads.isEmpty()) {
        if (app::w_frame* f = frame()) {
            log(QStringLiteral("menu SQL Workspace (to have a workspace for a query)"));
            f->MenuID()->m_administrator->trigger();
        }
        return;
    }
    QPointer<QWidget> sheet = pads.at(below(static_cast<int>(pads.size())));
    QPointer<QWidget> editor;
    for (QWidget* child : sheet->findChildren<QWidget*>()) {
        if (child->inherits("QsciScintilla")) {
            editor = child;
            break;
        }
    }
    auto* grid = qobject_cast<app::QueryGridSheet*>(sheet);
    if (editor == nullptr || grid == nullptr || grid->cb_retrieve == nullptr)
        return;
    QPointer<QPushButton> retrieve = grid->cb_retrieve;

    int weights[std::size(queries)];
    for (std::size_t i = 0; i < std::size(queries); ++i)
        weights[i] = queries[i].weight;
    const QString text = QString::fromLatin1(queries[weighted(weights)].text);
    const bool typed = text.size() < 60 && chance(0.3);
    const int how = weighted({50, 20, 20, 10});
    const char* hows[] = {"Retrieve clicked", "Alt+R", "Ctrl+Enter", "not retrieved"};
    log(QStringLiteral("query \"%1\" %2, %3, into")
            .arg(text, typed ? QStringLiteral("typed") : QStringLiteral("pasted"),
                 QLatin1String(hows[how])),
        editor);

    activate(sheet);
    if (typed) {
        typeInto(editor, text);
    } else {
        clickCenter(editor);
        if (editor != nullptr)
            QMetaObject::invokeMethod(editor, "setText", Q_ARG(QString, text));
    }
    if (sheet == nullptr)
        return;
    switch (how) {
    case 0:
        if (retrieve != nullptr)
            clickCenter(retrieve);
        break;
    case 1:
        press(sheet, Qt::Key_R, Qt::AltModifier);
        break;
    case 2:
        press(sheet, Qt::Key_Return, Qt::ControlModifier);
        break;
    default:
        break;
    }
}

void Monkey::criterion() {
    const QList<QWidget*> views = sheetsWhere(
        [](QWidget* sheet) { return qobject_cast<app::w_tbl_view*>(sheet) != nullptr; });
    if (views.isEmpty()) {
        if (app::w_frame* f = frame()) {
            log(QStringLiteral("menu Single Table View (to have a table view for a criterion)"));
            f->MenuID()->m_singletablemgr->trigger();
        }
        return;
    }
    QPointer<app::w_tbl_view> view =
        qobject_cast<app::w_tbl_view*>(views.at(below(static_cast<int>(views.size()))));
    const bool pickTable = chance(0.5);
    const QString where =
        QString::fromLatin1(criteria[below(static_cast<int>(std::size(criteria)))]);
    const QString order = QString::fromLatin1(sorts[below(static_cast<int>(std::size(sorts)))]);
    const int how = weighted({60, 20, 20});
    const char* hows[] = {"Retrieve clicked", "Enter", "Rows in the table clicked"};
    log(QStringLiteral("criterion \"%1\" sort \"%2\"%3, %4, into")
            .arg(where, order,
                 pickTable ? QStringLiteral(" after a click in the table list") : QString(),
                 QLatin1String(hows[how])),
        view);

    activate(view);
    if (pickTable && view->dw_tables != nullptr && view->dw_tables->height() > 0)
        clickAt(view->dw_tables,
                QPoint(below(view->dw_tables->width()), below(view->dw_tables->height())));
    if (view == nullptr)
        return;
    typeInto(view->sle_restriction, where);
    if (view == nullptr)
        return;
    typeInto(view->sle_sort, order);
    if (view == nullptr)
        return;
    if (how == 0)
        clickCenter(view->cb_retrieve);
    else if (how == 1)
        press(view, Qt::Key_Return);
    else
        clickCenter(view->cb_rows);
}

void Monkey::closeSheet() {
    const QList<QWidget*> open = sheetsWhere([](QWidget*) { return true; });
    if (open.isEmpty())
        return;
    QPointer<QWidget> sheet = open.at(below(static_cast<int>(open.size())));
    QPointer<QPushButton> close;
    for (QPushButton* button : sheet->findChildren<QPushButton*>()) {
        if (button->text().remove(QLatin1Char('&')) == QLatin1String("Close") &&
            button->isVisible())
            close = button;
    }
    const int how = weighted({close != nullptr ? 40 : 0, 30, 30});
    const char* hows[] = {"Close clicked", "Esc", "its title bar's close"};
    log(QStringLiteral("close the sheet: %1, in").arg(QLatin1String(hows[how])), sheet);
    activate(sheet);
    if (sheet == nullptr)
        return;
    if (how == 0 && close != nullptr) {
        clickCenter(close);
    } else if (how == 1) {
        sheet->setFocus();
        press(sheet, Qt::Key_Escape);
    } else if (auto* sub = qobject_cast<QMdiSubWindow*>(sheet->parentWidget())) {
        sub->close();
    }
}

void Monkey::answerPopup(QWidget* popup) {
    auto* menu = qobject_cast<QMenu*>(popup);
    QList<QAction*> items;
    if (menu != nullptr) {
        for (QAction* action : menu->actions()) {
            if (action->isVisible() && action->isEnabled() && !action->isSeparator())
                items << action;
        }
    }
    const int kind = weighted({items.isEmpty() ? 0 : 50, 15, 15, 20});
    if (kind == 0) {
        QAction* action = items.at(below(static_cast<int>(items.size())));
        if (action->text().contains(QLatin1String("E&xit")) && chance(0.8))
            action = items.at(below(static_cast<int>(items.size())));
        log(QStringLiteral("menu item \"%1\" of").arg(action->text()), popup);
        clickAt(popup, menu->actionGeometry(action).center());
    } else if (kind == 1) {
        log(QStringLiteral("key Esc to"), popup);
        press(popup, Qt::Key_Escape);
    } else if (kind == 2) {
        const bool down = chance(0.7);
        log(QStringLiteral("keys %1, Enter to")
                .arg(down ? QLatin1String("Down") : QLatin1String("Up")),
            popup);
        QPointer<QWidget> guard(popup);
        press(popup, down ? Qt::Key_Down : Qt::Key_Up);
        if (guard != nullptr)
            press(guard, Qt::Key_Return);
    } else if (app::w_frame* f = frame(); f != nullptr && chance(0.5)) {
        click(f); // outside the popup, which closes it
    } else {
        click(popup);
    }
}

void Monkey::answerModal(QWidget* modal) {
    if (auto* logon = qobject_cast<app::w_logon*>(modal); logon != nullptr && chance(0.85)) {
        answerLogon(logon);
        return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal); box != nullptr && chance(0.7)) {
        answerMessageBox(box);
        return;
    }
    if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog != nullptr && chance(0.6)) {
        answerFileDialog(dialog);
        return;
    }
    const int kind = weighted({30, 40, 30});
    if (kind == 0) {
        QList<QAbstractButton*> buttons;
        for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
            if (button->isVisible() && button->isEnabled())
                buttons << button;
        }
        if (!buttons.isEmpty()) {
            QAbstractButton* button = buttons.at(below(static_cast<int>(buttons.size())));
            log(QStringLiteral("click"), button);
            clickCenter(button);
            return;
        }
    }
    if (kind == 2)
        key(modal);
    else
        click(modal);
}

void Monkey::answerLogon(app::w_logon* logon) {
    const int kind = weighted({84, 5, 3, 4, 4});
    QPointer<app::w_logon> guard(logon);
    if (kind == 1) {
        log(QStringLiteral("logon: Cancel clicked"), logon);
        clickCenter(logon->cb_cancel);
        return;
    }
    if (kind == 3) {
        log(QStringLiteral("logon: Esc"), logon);
        press(logon, Qt::Key_Escape);
        return;
    }
    const QString password = kind == 2 ? QStringLiteral("wrong") : QStringLiteral("dorvane");
    const bool enter = kind == 4;
    log(QStringLiteral("logon: SAMPLE / dorvane / %1, then %2")
            .arg(password, enter ? QStringLiteral("Enter") : QStringLiteral("OK clicked")),
        logon);
    const std::pair<QLineEdit * app::w_logon::*, QString> fields[] = {
        {&app::w_logon::sle_dsn, QStringLiteral("SAMPLE")},
        {&app::w_logon::sle_id, QStringLiteral("dorvane")},
        {&app::w_logon::sle_pwd, password},
    };
    for (const auto& [field, text] : fields) {
        if (guard == nullptr)
            return;
        typeInto(guard.data()->*field, text);
        // The offered data sources: put away, as the user's next click would.
        if (QWidget* popup = QApplication::activePopupWidget())
            press(popup, Qt::Key_Escape);
    }
    if (guard == nullptr)
        return;
    if (enter)
        press(guard, Qt::Key_Return);
    else
        clickCenter(guard->cb_ok);
}

void Monkey::answerMessageBox(QMessageBox* box) {
    const QString said = shortened(box->windowTitle() + QStringLiteral(": ") + box->text());
    const int kind = weighted({75, 10, 10, 5});
    if (kind == 0 && !box->buttons().isEmpty()) {
        const QList<QAbstractButton*> buttons = box->buttons();
        QAbstractButton* button = buttons.at(below(static_cast<int>(buttons.size())));
        log(QStringLiteral("message box \"%1\": %2 clicked")
                .arg(said, button->text().remove(QLatin1Char('&'))),
            box);
        clickCenter(button);
        return;
    }
    const std::pair<Qt::Key, const char*> answers[] = {{Qt::Key_Escape, "Esc"},
                                                       {Qt::Key_Escape, "Esc"},
                                                       {Qt::Key_Return, "Enter"},
                                                       {Qt::Key_Space, "Space"}};
    const auto& [answer, name] = answers[kind];
    log(QStringLiteral("message box \"%1\": %2").arg(said, QLatin1String(name)), box);
    press(box, answer);
}

void Monkey::answerFileDialog(QFileDialog* dialog) {
    const QStringList filters = dialog->nameFilters();
    if (chance(0.3) || filters.isEmpty()) {
        const bool escape = chance(0.5);
        log(escape ? QStringLiteral("file dialog: Esc") : QStringLiteral("file dialog: Cancel"),
            dialog);
        if (escape)
            press(dialog, Qt::Key_Escape);
        else
            dialog->reject();
        return;
    }
    const QString filter = filters.at(below(static_cast<int>(filters.size())));
    // The same name now and then, so that the dialog asks whether to replace the file.
    const QString stem =
        chance(0.25) ? QStringLiteral("rows") : QStringLiteral("rows-%1").arg(++savedFiles_);
    const QRegularExpressionMatch suffix =
        QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).match(filter);
    const QString name =
        suffix.hasMatch() && chance(0.8) ? stem + QLatin1Char('.') + suffix.captured(1) : stem;
    const bool enter = chance(0.5);
    log(QStringLiteral("file dialog: \"%1\" as %2, %3")
            .arg(name, filter, enter ? QStringLiteral("Enter") : QStringLiteral("Save clicked")),
        dialog);
    cleanFiles(QStringLiteral("rows"));
    QPointer<QFileDialog> guard(dialog);
    dialog->setDirectory(fileFolder_);
    dialog->selectNameFilter(filter);
    dialog->selectFile(QDir(fileFolder_).filePath(name));
    if (guard == nullptr)
        return;
    if (enter) {
        press(guard, Qt::Key_Return);
        return;
    }
    if (const auto* box = guard->findChild<QDialogButtonBox*>()) {
        for (QAbstractButton* button : box->buttons()) {
            if (box->buttonRole(button) == QDialogButtonBox::AcceptRole) {
                clickCenter(button);
                return;
            }
        }
    }
    static_cast<QDialog*>(guard.data())->accept();
}

// --- the end of a run ------------------------------------------------------------------------

void Monkey::closeDown() {
    if (closingClock_.elapsed() > 60000) {
        ActionLog::say(
            "the program did not end within 60 s of being closed; the last actions were:");
        for (const std::string& line : log_.latest())
            ActionLog::say("  " + line);
        std::abort();
    }
    if (QWidget* popup = QApplication::activePopupWidget()) {
        ActionLog::say("closing: a popup closed");
        popup->close();
        return;
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            for (const QMessageBox::StandardButton wanted :
                 {QMessageBox::Discard, QMessageBox::Reset, QMessageBox::No, QMessageBox::Ok,
                  QMessageBox::Cancel}) {
                if (QAbstractButton* button = box->button(wanted)) {
                    ActionLog::say(QStringLiteral("closing: message box \"%1\": %2")
                                       .arg(shortened(box->text()), button->text())
                                       .toStdString());
                    button->click();
                    return;
                }
            }
        }
        ActionLog::say(QStringLiteral("closing: %1 closed")
                           .arg(QLatin1String(modal->metaObject()->className()))
                           .toStdString());
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        return;
    }
    // As File > Exit does, once a second while sheets stop and close.
    if (app::w_frame* f = frame();
        f != nullptr && closingClock_.elapsed() - lastFrameClose_ >= 1000) {
        lastFrameClose_ = closingClock_.elapsed();
        ActionLog::say("closing: the frame");
        f->close();
    }
}

// --- the log -----------------------------------------------------------------------------------

QString Monkey::describe(const QWidget* widget) {
    if (widget == nullptr)
        return QStringLiteral("nothing");
    if (widget->objectName() == QLatin1String("qt_scrollarea_viewport") &&
        widget->parentWidget() != nullptr)
        return QStringLiteral("the inside of ") + describe(widget->parentWidget());
    QString text = QLatin1String(widget->metaObject()->className());
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        text += QStringLiteral(" \"%1\"").arg(button->text());
    else if (const auto* label = qobject_cast<const QLabel*>(widget))
        text += QStringLiteral(" \"%1\"").arg(shortened(label->text(), 30));
    else if (!widget->objectName().isEmpty())
        text += QLatin1Char(' ') + widget->objectName();
    if (const platform::Sheet* sheet = platform::enclosingSheet(widget); sheet && sheet != widget)
        text += QStringLiteral(" in %1 \"%2\"")
                    .arg(QLatin1String(sheet->metaObject()->className()), sheet->windowTitle());
    else if (const QWidget* top = widget->window(); top != widget)
        text += QStringLiteral(" in %1 \"%2\"")
                    .arg(QLatin1String(top->metaObject()->className()), top->windowTitle());
    return text;
}

void Monkey::log(const QString& what, const QWidget* where) {
    ++actions_;
    QString line = QStringLiteral("#%1 d%2 %3").arg(actions_).arg(depth_).arg(what);
    if (where != nullptr)
        line += QLatin1Char(' ') + describe(where);
    log_.add(line.toStdString());
}

void Monkey::cleanFiles(const QString& keep) {
    // Saved rows and printed pages can be large; only the latest few are kept.
    for (const QString& folder : {fileFolder_, qEnvironmentVariable("DORVANE_PRINT_DIR")}) {
        if (folder.isEmpty() || !folder.startsWith(fileFolder_))
            continue;
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files);
        for (const QFileInfo& file : files) {
            if (keep.isEmpty() || file.completeBaseName() != keep)
                QFile::remove(file.absoluteFilePath());
        }
    }
}

} // namespace soak
