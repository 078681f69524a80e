#include "harness.h"

#include "platform/grid/describe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTableView>
#include <ctime>
#include <utility>

namespace bench {

ReportingMessageBoxes::ReportingMessageBoxes() : previous_(platform::setMessageBoxService(this)) {}

ReportingMessageBoxes::~ReportingMessageBoxes() {
    platform::setMessageBoxService(previous_);
}

int ReportingMessageBoxes::ask(const platform::MessageBoxRequest& request) {
    texts_ << request.title + QStringLiteral(": ") + request.text;
    return request.defaultButton;
}

QStringList ReportingMessageBoxes::take() {
    return std::exchange(texts_, {});
}

StallProbe::StallProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kStallProbeMs);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { tick(); });
}

namespace {

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

} // namespace

void StallProbe::start() {
    longest_ = {};
    longestCpuMs_ = 0;
    lastCpuMs_ = threadCpuMs();
    start_ = last_ = longestEnd_ = Clock::now();
    timer_.start();
}

double StallProbe::stopMs() {
    tick();
    timer_.stop();
    return std::chrono::duration<double, std::milli>(longest_).count();
}

void StallProbe::tick() {
    const auto now = Clock::now();
    const double cpu = threadCpuMs();
    if (now - last_ > longest_) {
        longest_ = now - last_;
        longestEnd_ = now;
        longestCpuMs_ = cpu - lastCpuMs_;
    }
    last_ = now;
    lastCpuMs_ = cpu;
}

bool PaintCounter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint)
        ++count;
    return QObject::eventFilter(watched, event);
}

GridBench::GridBench(platform::Transaction& slot, ReportingMessageBoxes& boxes, bool visible)
    : slot_(slot), boxes_(boxes) {
    grid_.resize(1000, 700);
    if (visible)
        grid_.show();
    grid_.view()->viewport()->installEventFilter(&paints_);
    QCoreApplication::processEvents();
}

void GridBench::build(const QString& sql) {
    QString errors;
    const QString syntax =
        platform::grid::SyntaxFromSQL(slot_, sql, QStringLiteral("style(type=grid)"), errors);
    if (!errors.isEmpty() || grid_.Create(syntax, errors) != 1)
        throw BenchError(
            QStringLiteral("The grid cannot be built for \"%1\": %2").arg(sql, errors));
    grid_.SetTransObject(&slot_);
}

void GridBench::clear() {
    grid_.Reset();
    slot_.Rollback();
    QCoreApplication::processEvents();
}

GridRun GridBench::retrieve(std::function<long(long)> handler) {
    GridRun run;
    grid_.setRetrieveRowHandler([&run, &handler](long row) -> long {
        ++run.handlerCalls;
        return handler(row);
    });
    paints_.count = 0;
    probe_.start();
    const auto start = Clock::now();
    run.rows = grid_.Retrieve();
    const auto end = Clock::now();
    QCoreApplication::processEvents();
    run.afterSeconds = secondsBetween(end, Clock::now());
    run.stallMs = probe_.stopMs();
    run.stallEndSeconds = probe_.longestEndSeconds();
    run.seconds = secondsBetween(start, end);
    run.paints = paints_.count;
    grid_.setRetrieveRowHandler({});
    const QStringList shown = boxes_.take();
    if (!shown.isEmpty() || run.rows < 0)
        throw BenchError(QStringLiteral("The grid reported: ") + shown.join(QStringLiteral("\n")));
    return run;
}

double GridBench::paintSeconds(int times) {
    std::vector<double> each;
    for (int i = 0; i < times; ++i) {
        const auto start = Clock::now();
        grid_.view()->viewport()->repaint();
        each.push_back(secondsBetween(start, Clock::now()));
    }
    return median(each);
}

} // namespace bench
