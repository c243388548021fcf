// What a change of a huge clipboard costs the overlay: reading it into the face and
// drawing the next frame. Both happen on the main thread, so this is the freeze a user sees.
#include "clipboardwidget.h"
#include "guibenchmain.h"
#include "pasteboard.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

class FixedPasteboard : public Pasteboard
{
public:
    qint64 changeCount() const override { return count; }
    void readText(QObject *, TextRead done) override { done(content); }

    qint64 count = 0;
    QString content;
};

QString hugeText(qsizetype size, bool withLines)
{
    const QString sentence = withLines
        ? QStringLiteral("The quick brown fox jumps over the lazy dog.\n")
        : QStringLiteral("The quick brown fox jumps over the lazy dog. ");
    QString text;
    text.reserve(size + sentence.size());
    while (text.size() < size)
        text += sentence;
    return text;
}

void BM_ClipboardChangeAndFrame(benchmark::State &state)
{
    FixedPasteboard pasteboard;
    ClipboardWidget face(&pasteboard);
    face.resize(290, 190);
    QImage frame(face.size() * 2, QImage::Format_ARGB32_Premultiplied);
    frame.setDevicePixelRatio(2);
    const QString texts[2] = {hugeText(state.range(0), state.range(1) != 0),
        hugeText(state.range(0) + 1, state.range(1) != 0)};
    int next = 0;
    for (auto _ : state) {
        pasteboard.content = texts[next];
        next = 1 - next;
        ++pasteboard.count;
        face.poll();
        QPainter painter(&frame);
        face.render(&painter);
    }
}
// 30 MB in one line, and in lines of 45 characters; 10 kB for comparison.
BENCHMARK(BM_ClipboardChangeAndFrame)
    ->Args({30'000'000, 0})
    ->Args({30'000'000, 1})
    ->Args({10'000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

CORVINA_GUI_BENCHMARK_MAIN()
