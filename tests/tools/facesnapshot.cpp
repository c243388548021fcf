// Shows each interactive face in a card-sized window and writes a PNG of it, for visual
// checks against the layouts. Usage: face_snapshot OUTPUT_DIR
#include "calculatorwidget.h"
#include "dashboardstore.h"
#include "dashboardwidgetkind.h"
#include "facebindings.h"
#include "facefactory.h"
#include "memorydefaults.h"
#include "theme.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace {

constexpr int kMargin = 28;

// A stand-in for the card: dark backdrop, frosted rounded plate, hairline, padding.
class CardWindow : public QWidget
{
public:
    CardWindow(DashboardWidgetKind kind, const FaceContext &context)
    {
        const QSize card = WidgetKinds::cardSize(kind).toSize();
        resize(card.width() + 2 * kMargin, card.height() + 2 * kMargin);
        m_card = QRect(kMargin, kMargin, card.width(), card.height());
        QWidget *face = createFace(kind, context, this);
        face->setGeometry(m_card.adjusted(20, 30, -20, -20));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient backdrop(0, 0, width(), height());
        backdrop.setColorAt(0, QColor(0x23, 0x2a, 0x3a));
        backdrop.setColorAt(1, QColor(0x3a, 0x2a, 0x38));
        painter.fillRect(rect(), backdrop);
        QPainterPath plate;
        plate.addRoundedRect(QRectF(m_card), 25, 25);
        painter.fillPath(plate, Theme::white(0.07));
        painter.setPen(QPen(Theme::white(0.18), 1));
        painter.drawPath(plate);
        painter.fillRect(
            QRectF(m_card.center().x() - 18, m_card.top() + 10, 36, 4), Theme::white(0.35));
    }

private:
    QRect m_card;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);

    MemoryDefaults defaults;
    DashboardStore store(defaults, QStringLiteral("snapshot"), false);
    const QList<DashboardWidgetKind> kinds = {
        DashboardWidgetKind::calculator,
        DashboardWidgetKind::stopwatch,
        DashboardWidgetKind::converter,
        DashboardWidgetKind::countdown,
        DashboardWidgetKind::calendar,
        DashboardWidgetKind::notes,
    };
    QList<DashboardWidget> widgets;
    for (const DashboardWidgetKind kind : kinds)
        widgets.append(DashboardWidget::make(kind, 0, 0));
    store.setWidgets(widgets);
    // A calculator mid-sum with a long result shows the shrinking display.
    for (const QString &key : {u"1"_qs, u"÷"_qs, u"7"_qs, u"="_qs})
        FaceBindings::pressCalculatorKey(store, widgets[0].id, key);

    QList<CardWindow *> windows;
    for (int i = 0; i < kinds.size(); ++i) {
        FaceContext context;
        context.store = &store;
        context.id = widgets[i].id;
        auto *window = new CardWindow(kinds[i], context);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        windows.append(window);
    }
    QTimer::singleShot(600, &app, [&] {
        for (int i = 0; i < kinds.size(); ++i) {
            const QString name = WidgetKinds::rawIdentifier(kinds[i]);
            windows[i]->grab().save(out + u"/face-"_qs + name + u".png"_qs);
        }
        app.quit();
    });
    return app.exec();
}
