// Cost of large edits in the notes face: each edit is written to the store and saved
// durably before the handler returns, so a big paste must stay well under a frame budget
// of a few hundred milliseconds, and a keystroke in a big note must not lag.
#include "dashboardstore.h"
#include "filedefaults.h"
#include "guibenchmain.h"
#include "noteswidget.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QString text(qsizetype bytes, bool withLines)
{
    const QString line = withLines
        ? QStringLiteral("The quick brown fox jumps over the lazy dog, again and again.\n")
        : QStringLiteral("The quick brown fox jumps over the lazy dog, again and again. ");
    QString result;
    result.reserve(bytes + line.size());
    while (result.size() < bytes)
        result += line;
    return result;
}

struct NotesFixture
{
    QTemporaryDir dir;
    FileDefaults defaults {dir.path()};
    DashboardStore store {defaults, DashboardStore::keyForDisplay(QStringLiteral("DP-1")), false};
    std::unique_ptr<NotesWidget> face;

    NotesFixture()
    {
        store.setWidgets({DashboardWidget::make(DashboardWidgetKind::notes, 100, 100)});
        face = std::make_unique<NotesWidget>(&store, store.widgets().first().id);
        face->resize(290, 240);
        face->show();
        QApplication::processEvents();
    }
};

// Replacing the whole note with a paste of N MiB, laid out and saved.
void BM_PasteIntoNotes(benchmark::State &state)
{
    NotesFixture fixture;
    const QString paste = text(state.range(0) * 1024 * 1024, state.range(1) != 0);
    for (auto _ : state) {
        fixture.face->editor()->selectAll();
        fixture.face->editor()->insertPlainText(paste);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_PasteIntoNotes)
    ->ArgNames({"MiB", "lines"})
    ->Args({1, 1})
    ->Args({4, 1})
    ->Args({4, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// One typed character at the end of a note of N MiB.
void BM_KeystrokeInLargeNote(benchmark::State &state)
{
    NotesFixture fixture;
    fixture.face->editor()->setPlainText(text(state.range(0) * 1024 * 1024, true));
    fixture.face->editor()->moveCursor(QTextCursor::End);
    for (auto _ : state) {
        fixture.face->editor()->insertPlainText(QStringLiteral("a"));
        QApplication::processEvents();
    }
}
BENCHMARK(BM_KeystrokeInLargeNote)
    ->ArgName("MiB")
    ->Arg(0)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

CORVINA_GUI_BENCHMARK_MAIN()
