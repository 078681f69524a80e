#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <random>
#include <string>

class QFileDialog;
class QMessageBox;
class QWidget;
class QWindow;

namespace app {
class w_logon;
}

namespace soak {

class ActionLog;

struct Budget {
    long actions = 0;     // 0: no bound
    double seconds = 0.0; // 0: no bound
};

// A hurried user at the running program: clicks, keys, menu commands, queries and answers to
// whatever window asks, chosen from a random generator seeded per run, one action at a time from
// a timer of the user-interface thread. The timer fires inside every nested event loop too (a
// message box, a file dialog, a retrieval), so the actions go on there as a user's would.
// When the budget is spent, it closes the program as a user would: answers what asks, declines
// to save, and closes the frame.
class Monkey final : public QObject {
public:
    Monkey(std::uint64_t seed, int round, Budget budget, QString fileFolder, ActionLog& log);

    void start();
    long actions() const { return actions_; }
    // Whether the budget was spent and the monkey closed the program (rather than the program
    // ending by itself: Exit, a failed logon).
    bool closing() const { return closing_; }

private:
    void tick();
    void act();
    void closeDown();

    // What the action goes to: the open popup, else the top modal window, else the frame.
    void click(QWidget* top);
    void key(QWidget* top);
    void menuCommand();
    void query();
    void criterion();
    void closeSheet();
    void answerPopup(QWidget* popup);
    void answerModal(QWidget* modal);
    void answerLogon(app::w_logon* logon);
    void answerMessageBox(QMessageBox* box);
    void answerFileDialog(QFileDialog* dialog);

    // Window-level input, as the window system delivers it (popups, modality and shortcuts
    // apply). The point is in `widget`'s coordinates.
    void clickAt(QWidget* widget, QPoint point, Qt::MouseButton button = Qt::LeftButton,
                 bool twice = false);
    void clickCenter(QWidget* widget) { clickAt(widget, widgetCenter(widget)); }
    void press(QWidget* top, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void typeInto(QWidget* widget, const QString& text);
    static QPoint widgetCenter(const QWidget* widget);

    int below(int n);
    bool chance(double p);
    template <std::size_t N> int weighted(const int (&weights)[N]);

    void log(const QString& what, const QWidget* where = nullptr);
    static QString describe(const QWidget* widget);
    void cleanFiles(const QString& keep);

    std::mt19937 random_;
    const Budget budget_;
    const QString fileFolder_;
    ActionLog& log_;
    QTimer timer_;
    QElapsedTimer clock_;
    QElapsedTimer closingClock_;
    long actions_ = 0;
    int depth_ = 0;
    int savedFiles_ = 0;
    int timestamp_ = 0;
    qint64 lastFrameClose_ = -1000;
    bool closing_ = false;
};

} // namespace soak
