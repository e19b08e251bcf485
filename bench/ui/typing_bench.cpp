// Typing into the curve dialog's expression field while the range holds 1,000,000
// samples (and, refused, 20,000,000): the longest time the event loop goes without
// turning, keys handled and preview painted included. It must stay under 50 ms.
// stepped_check:1 is the baseline with the check's former cost put back: every change
// counts the range's samples by repeated addition on the event loop's thread. (The
// curve was also stroked on that thread when painted; only the former build shows that.)
#include "curve/sampling_range.h"
#include "ui/dlg_curve.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>

#include <time.h>

namespace {

// Stamps every turn of the event loop (a 0-ms timer fires once per turn) and keeps the
// longest time between two stamps: on the wall clock, and in the processor time of the
// loop's thread, which leaves out the time the thread waited for a processor (on a busy
// machine that is most of the wall-clock gap).
class LoopWatch {
public:
    LoopWatch()
    {
        timer_.setInterval(0);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            const qint64 cpu = threadCpuNanoseconds();
            longest_ = std::max(longest_, now - last_);
            longestCpu_ = std::max(longestCpu_, cpu - lastCpu_);
            last_ = now;
            lastCpu_ = cpu;
        });
    }
    void start()
    {
        clock_.start();
        last_ = 0;
        lastCpu_ = threadCpuNanoseconds();
        longest_ = 0;
        longestCpu_ = 0;
        timer_.start();
    }
    void stop() { timer_.stop(); }
    // The longest gaps since start(), in milliseconds.
    double longest() const { return static_cast<double>(longest_) / 1e6; }
    double longestCpu() const { return static_cast<double>(longestCpu_) / 1e6; }

private:
    static qint64 threadCpuNanoseconds()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return static_cast<qint64>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    }

    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 lastCpu_ = 0;
    qint64 longest_ = 0;
    qint64 longestCpu_ = 0;
};

// Runs the event loop for `ms` milliseconds.
void runLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void setField(CDlgCurve& dialog, int id, const QString& text)
{
    auto* edit = dialog.control<QLineEdit>(id);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// The check as it was: the samples counted one addition at a time, up to the limit.
std::size_t steppedCount(double start, double end, double step)
{
    std::size_t count = 0;
    for (double t = start; t <= end && count <= plotwright::curve::kMaxSamples; t += step)
        ++count;
    return count;
}

// range(0): the range's samples in thousands; range(1): 1 puts the former check's cost back.
void BM_TypingIntoExpression(benchmark::State& state)
{
    const long thousands = static_cast<long>(state.range(0));
    const bool stepped = state.range(1) != 0;
    QTemporaryDir folder;
    qputenv("PLOTWRIGHT_INSTALL_FOLDER", folder.path().toUtf8());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());

    // [0, n - 1] by 1 holds n samples; the fields stop at a million, so a refused range
    // steps by 0.1 over [-n/20, n/20].
    const bool refused = thousands * 1000 > static_cast<long>(plotwright::curve::kMaxSamples);
    const double increment = refused ? 0.1 : 1;
    const double maximum = refused ? thousands * 1000 * 0.05 : thousands * 1000 - 1;
    const double minimum = refused ? -maximum : 0;

    CDlgCurve dialog;
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog)) {
        state.SkipWithError("the dialog was not shown");
        return;
    }
    setField(dialog, CDlgCurve::IDC_INCREMENT, QString::number(increment));
    setField(dialog, CDlgCurve::IDC_MINIMUM, QString::number(minimum, 'f', 0));
    setField(dialog, CDlgCurve::IDC_MAXIMUM, QString::number(maximum, 'f', 0));
    setField(dialog, CDlgCurve::IDC_FIRST_EXPRESSION, QString());
    auto* expression = dialog.control<QLineEdit>(CDlgCurve::IDC_FIRST_EXPRESSION);
    expression->setFocus();
    QMetaObject::Connection former;
    if (stepped)
        former = QObject::connect(expression, &QLineEdit::textChanged,
                                  [&] { benchmark::DoNotOptimize(steppedCount(minimum, maximum, increment)); });
    runLoop(300);

    // Keys about as fast as a quick typist: some pauses let the preview start, others not.
    const QString typed = QStringLiteral("sin(x/1000)*100+x/50");
    LoopWatch watch;
    double longest = 0;
    double longestCpu = 0;
    double keyMax = 0;
    for (auto _ : state) {
        expression->clear();
        runLoop(200);
        watch.start();
        for (int i = 0; i < typed.size(); ++i) {
            QElapsedTimer key;
            key.start();
            QTest::keyClick(expression, typed[i].toLatin1());
            keyMax = std::max(keyMax, static_cast<double>(key.nsecsElapsed()) / 1e6);
            runLoop(i % 4 == 3 ? 200 : 40);
        }
        // Until the last preview is in and painted.
        for (int wait = 0; wait < 100 && dialog.Preview().IsPending(); ++wait)
            runLoop(50);
        runLoop(100);
        watch.stop();
        longest = std::max(longest, watch.longest());
        longestCpu = std::max(longestCpu, watch.longestCpu());
        state.SetIterationTime(watch.longest() / 1e3);
    }
    QObject::disconnect(former);
    state.counters["longest_stall_ms"] = longest;
    state.counters["longest_stall_cpu_ms"] = longestCpu;
    state.counters["longest_key_ms"] = keyMax;
    state.counters["samples"] = static_cast<double>(thousands) * 1000;
    state.SetLabel(refused ? "refused range" : "drawable range");
}
BENCHMARK(BM_TypingIntoExpression)
    ->ArgNames({"ksamples", "stepped_check"})
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({20000, 0})
    ->Args({20000, 1})
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
