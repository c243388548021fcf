// Cost of saving a change and of loading an arrangement.
#include "dashboardstore.h"
#include "filedefaults.h"
#include "widgetjson.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

QList<DashboardWidget> arrangement(int count)
{
    QList<DashboardWidget> widgets;
    for (int i = 0; i < count; ++i) {
        const auto kind = WidgetKinds::galleryCases()[static_cast<std::size_t>(i) % 15];
        DashboardWidget w = DashboardWidget::make(kind, 16 + i * 7.5, 70 + i * 3.25);
        if (kind == DashboardWidgetKind::calculator)
            w.calculator = CalculatorState {QStringLiteral("12.5"), 3, QStringLiteral("+"), false};
        if (kind == DashboardWidgetKind::stopwatch)
            w.stopwatch = StopwatchState {Instant::now(), 12.25};
        widgets.append(w);
    }
    return widgets;
}

// One drag's worth of change: a move written through the store and saved to disk.
void BM_SaveOneChangeDurably(benchmark::State &state)
{
    QTemporaryDir dir;
    FileDefaults defaults(dir.path());
    DashboardStore store(defaults, DashboardStore::keyForDisplay(QStringLiteral("DP-1")), false);
    store.setWidgets(arrangement(static_cast<int>(state.range(0))));
    const QUuid id = store.widgets().first().id;
    double y = 100;
    for (auto _ : state) {
        y = y > 500 ? 100 : y + 1;
        store.updateWidget(id, [y](DashboardWidget &w) { w.y = y; });
    }
}
BENCHMARK(BM_SaveOneChangeDurably)
    ->Arg(3)
    ->Arg(20)
    ->Arg(200)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

// A whole drag: the card comes to the front at its start and moves at its end.
void BM_DragDurably(benchmark::State &state)
{
    QTemporaryDir dir;
    FileDefaults defaults(dir.path());
    DashboardStore store(defaults, DashboardStore::keyForDisplay(QStringLiteral("DP-1")), false);
    store.setWidgets(arrangement(static_cast<int>(state.range(0))));
    double y = 100;
    for (auto _ : state) {
        y = y > 500 ? 100 : y + 1;
        const QUuid id = store.widgets().first().id;
        store.bringToFront(id);
        store.move(id, {200, y}, {2560, 1440});
    }
}
BENCHMARK(BM_DragDurably)
    ->Arg(20)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

void BM_EncodeArrangement(benchmark::State &state)
{
    const auto widgets = arrangement(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(WidgetJson::encodeArrangement(widgets));
}
BENCHMARK(BM_EncodeArrangement)
    ->Arg(20)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

void BM_DecodeArrangement(benchmark::State &state)
{
    const QByteArray bytes
        = *WidgetJson::encodeArrangement(arrangement(static_cast<int>(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(WidgetJson::decodeArrangement(bytes));
}
BENCHMARK(BM_DecodeArrangement)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
