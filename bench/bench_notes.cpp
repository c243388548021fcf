// Cost of large notes in the notes face. A long note is kept exactly beside the editor,
// long lines reach the editor cut into short paragraphs, a long note loads a slice per
// event-loop turn and is saved when typing pauses. The figures: a paste, a keystroke
// (shown and laid out), building the face on show, the longest single turn of the event
// loop while a note loads, and the pause-time save itself.
#include "dashboardstore.h"
#include "filedefaults.h"
#include "guibenchmain.h"
#include "noteswidget.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <ctime>

namespace {

QString text(qsizetype characters, bool withLines)
{
    const QString line = withLines
        ? QStringLiteral("The quick brown fox jumps over the lazy dog, again and again.\n")
        : QStringLiteral("The quick brown fox jumps over the lazy dog, again and again. ");
    QString result;
    result.reserve(characters + line.size());
    while (result.size() < characters)
        result += line;
    return result;
}

struct NotesFixture
{
    QTemporaryDir dir;
    FileDefaults defaults {dir.path()};
    DashboardStore store {defaults, DashboardStore::keyForDisplay(QStringLiteral("DP-1")), false};
    std::unique_ptr<NotesWidget> face;

    explicit NotesFixture(const QString &note = QString())
    {
        auto widget = DashboardWidget::make(DashboardWidgetKind::notes, 100, 100);
        if (!note.isNull())
            widget.note = note;
        store.setWidgets({widget});
        build();
        while (!face->isLoaded())
            QApplication::processEvents();
    }

    void build()
    {
        face = std::make_unique<NotesWidget>(&store, store.widgets().first().id);
        face->resize(290, 240);
        face->show();
        QApplication::processEvents();
    }
};

constexpr qsizetype MiB = 1024 * 1024;

qint64 threadNanoseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Replacing the whole note with a paste of N MiB, laid out; saved at the pause.
void BM_PasteIntoNotes(benchmark::State &state)
{
    NotesFixture fixture;
    QGuiApplication::clipboard()->setText(text(state.range(0) * MiB, state.range(1) != 0));
    for (auto _ : state) {
        fixture.face->editor()->selectAll();
        fixture.face->editor()->paste();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_PasteIntoNotes)
    ->ArgNames({"MiB", "lines"})
    ->Args({1, 1})
    ->Args({5, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// One typed character in the middle of a note of N MiB, shown and laid out.
void BM_KeystrokeInLargeNote(benchmark::State &state)
{
    NotesFixture fixture(text(state.range(0) * MiB, state.range(1) != 0));
    QTextCursor cursor = fixture.face->editor()->textCursor();
    cursor.setPosition(fixture.face->editor()->document()->characterCount() / 2);
    fixture.face->editor()->setTextCursor(cursor);
    for (auto _ : state) {
        fixture.face->editor()->insertPlainText(QStringLiteral("a"));
        fixture.face->editor()->viewport()->repaint();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_KeystrokeInLargeNote)
    ->ArgNames({"MiB", "lines"})
    ->Args({0, 1})
    ->Args({5, 0})
    ->Args({50, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// Building and first painting the face on show, with a note of N MiB.
void BM_ShowWithLargeNote(benchmark::State &state)
{
    NotesFixture fixture(text(state.range(0) * MiB, true));
    for (auto _ : state) {
        state.PauseTiming();
        // Dropping the previous face belongs to the hide before this show.
        fixture.face.reset();
        state.ResumeTiming();
        fixture.build();
        fixture.face->repaint();
        state.PauseTiming();
        while (!fixture.face->isLoaded())
            QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ShowWithLargeNote)
    ->ArgName("MiB")
    ->Arg(0)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// The longest turn of the event loop while a note of N MiB loads, in the main thread's
// CPU time (wall time on a loaded machine mostly counts other processes): how long F12 or
// Esc may wait meanwhile.
void BM_LongestTurnWhileLoading(benchmark::State &state)
{
    NotesFixture fixture(text(state.range(0) * MiB, true));
    for (auto _ : state) {
        fixture.build();
        qint64 longest = 0;
        while (!fixture.face->isLoaded()) {
            const qint64 start = threadNanoseconds();
            QApplication::processEvents();
            longest = std::max(longest, threadNanoseconds() - start);
        }
        state.SetIterationTime(double(longest) / 1e9);
    }
}
BENCHMARK(BM_LongestTurnWhileLoading)
    ->ArgName("MiB")
    ->Arg(50)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// The save a pause in typing makes, for a note of N MiB: the time it takes the main thread
// (the iteration time) and the writer thread ("written", durably). Meanwhile the event loop
// runs as F12, Esc, --hide and SIGTERM would find it: "answer" is how long a queued call
// waits, and "longest_turn" the longest turn of the loop in main-thread CPU time.
void BM_SaveLargeNote(benchmark::State &state)
{
    NotesFixture fixture(text(state.range(0) * MiB, true));
    fixture.face->editor()->moveCursor(QTextCursor::End);
    double written = 0;
    double answer = 0;
    double longestTurn = 0;
    double flushCpu = 0;
    double keystroke = 0;
    for (auto _ : state) {
        const qint64 typed = threadNanoseconds();
        fixture.face->editor()->insertPlainText(QStringLiteral("a"));
        keystroke += double(threadNanoseconds() - typed) / 1e6;
        QElapsedTimer clock;
        clock.start();
        const qint64 cpu = threadNanoseconds();
        fixture.face->flush();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        flushCpu += double(threadNanoseconds() - cpu) / 1e6;

        qint64 answered = -1;
        const qint64 asked = clock.nsecsElapsed();
        QMetaObject::invokeMethod(
            qApp, [&] { answered = clock.nsecsElapsed(); }, Qt::QueuedConnection);
        qint64 longest = 0;
        while (fixture.store.isSaving() || answered < 0) {
            const qint64 start = threadNanoseconds();
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            longest = std::max(longest, threadNanoseconds() - start);
        }
        written += double(clock.nsecsElapsed()) / 1e6;
        answer += double(answered - asked) / 1e6;
        longestTurn += double(longest) / 1e6;
        fixture.store.waitForSaves();
    }
    state.counters["keystroke_ms"]
        = benchmark::Counter(keystroke, benchmark::Counter::kAvgIterations);
    state.counters["cpu_ms"] = benchmark::Counter(flushCpu, benchmark::Counter::kAvgIterations);
    state.counters["written_ms"] = benchmark::Counter(written, benchmark::Counter::kAvgIterations);
    state.counters["answer_ms"] = benchmark::Counter(answer, benchmark::Counter::kAvgIterations);
    state.counters["longest_turn_ms"]
        = benchmark::Counter(longestTurn, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SaveLargeNote)
    ->ArgName("MiB")
    ->Arg(5)
    ->Arg(50)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace

CORVINA_GUI_BENCHMARK_MAIN()
