// The yardstick of the start-up figure (bench/README.md): the least a Qt Widgets program does to
// put a dialog on the screen. It shows one dialog with a line of text and a button, and quits as
// soon as the dialog has been shown, noticed as `dorvane --check-start` notices its logon window:
// an event filter on Show.

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

class ShownWatch final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!shown_ && event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            shown_ = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }

private:
    bool shown_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ShownWatch watch;
    application.installEventFilter(&watch);

    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Logon"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Data source:"), &dialog));
    layout->addWidget(new QPushButton(QStringLiteral("OK"), &dialog));
    dialog.show();
    return QApplication::exec();
}
