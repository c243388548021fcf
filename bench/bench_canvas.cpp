// Paint cost of the canvas on a 4K screen with one card of every kind: a full repaint, and
// one frame of a card drag (the card displaced, the uncovered and covered areas repainted).
#include "backdrop.h"
#include "dashboardstore.h"
#include "dashboardview.h"
#include "desktopblur.h"
#include "draghandle.h"
#include "guibenchmain.h"
#include "memorydefaults.h"
#include "widgetcard.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

const QSize canvas(3840, 2160);

// Fifteen cards, one per addable kind, spread over the canvas in rows.
QList<DashboardWidget> fifteenCards()
{
    QList<DashboardWidget> widgets;
    double x = 40, y = 90;
    for (DashboardWidgetKind kind : WidgetKinds::galleryCases()) {
        const QSizeF size = WidgetKinds::cardSize(kind);
        if (x + size.width() > canvas.width() - 40) {
            x = 40;
            y += 460;
        }
        widgets.append(DashboardWidget::make(kind, x, y));
        x += size.width() + 60;
    }
    return widgets;
}

struct Canvas
{
    MemoryDefaults defaults;
    DashboardStore store {defaults, QStringLiteral("bench"), false};
    std::unique_ptr<DashboardView> view;

    explicit Canvas(bool withBackdrop)
    {
        DashboardView::setAnimationsEnabled(false);
        store.setWidgets(fifteenCards());
        view = std::make_unique<DashboardView>(
            store, [] {}, FaceServices {});
        view->resize(canvas);
        if (withBackdrop) {
            QImage blurred(canvas / 4, QImage::Format_RGB32);
            QPainter painter(&blurred);
            QLinearGradient gradient(0, 0, blurred.width(), blurred.height());
            gradient.setColorAt(0, QColor(90, 110, 160));
            gradient.setColorAt(1, QColor(40, 30, 60));
            painter.fillRect(blurred.rect(), gradient);
            painter.end();
            view->setBackdrop(blurred);
        }
        view->show();
        view->reconcileNow();
        QCoreApplication::processEvents();
    }
};

struct PaintCounter : QObject
{
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void sendMouse(QWidget *target, QEvent::Type type, QPoint global)
{
    QMouseEvent event(type, target->mapFromGlobal(QPointF(global)), QPointF(global),
        type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

void fullCanvasPaint(benchmark::State &state)
{
    Canvas c(true);
    QImage target(canvas, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        c.view->render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(fullCanvasPaint)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

// A picture that varies in every channel, as a desktop does.
QImage patterned(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb(x % 256, y % 256, (x * y) % 256);
    }
    return image;
}

// The backdrop of one 1080p screen as a show paints it: a new blurred picture, written
// straight into the window's pixels.
void showBackdrop(benchmark::State &state)
{
    const QImage blurred = patterned(QSize(480, 270));
    QImage target(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    target.fill(Qt::black);
    Backdrop backdrop;
    backdrop.setSize(target.size(), 1.0);
    for (auto _ : state) {
        backdrop.setImage(blurred);
        QPainter painter(&target);
        backdrop.paint(painter, target.rect(), QPoint(0, 0));
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(showBackdrop)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

// The blur of one 1080p screen as the server hands it over, scaled down.
void showBlur(benchmark::State &state)
{
    const QImage reduced
        = patterned(QSize(1920 / DesktopBlur::downscale, 1080 / DesktopBlur::downscale));
    for (auto _ : state)
        benchmark::DoNotOptimize(DesktopBlur::blurReduced(reduced).constBits());
}
BENCHMARK(showBlur)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void dragFrame(benchmark::State &state)
{
    Canvas c(true);
    // The calendar card, the largest busy face, dragged in small steps back and forth.
    WidgetCard *card = c.view->cards().at(1);
    DragHandle *handle = card->handle();
    const QPoint start = handle->mapToGlobal(handle->rect().center());
    sendMouse(handle, QEvent::MouseButtonPress, start);
    sendMouse(handle, QEvent::MouseMove, start + QPoint(10, 10));
    QCoreApplication::processEvents();
    PaintCounter counter;
    c.view->installEventFilter(&counter);
    int step = 0;
    for (auto _ : state) {
        const int offset = 10 + (step++ % 40) * 6;
        const QRect before = card->geometry();
        sendMouse(handle, QEvent::MouseMove, start + QPoint(offset, offset / 2));
        // Paint what the move uncovered and covered, shadows included, at once.
        const QRect dirty = before.united(card->geometry()).adjusted(-70, -70, 70, 80);
        c.view->repaint(dirty);
    }
    state.counters["canvasPaints"] = double(counter.paints);
    sendMouse(handle, QEvent::MouseButtonRelease, start);
}
BENCHMARK(dragFrame)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

} // namespace

CORVINA_GUI_BENCHMARK_MAIN()
