#include "faceconventions.h"

#include "icu.h"
#include "roundedfill.h"
#include "shapedtext.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

namespace Face {

namespace {

// A label that draws its one line of plain text from kept shapes, as QLabel draws it
// through the Fusion style; anything else it leaves to QLabel.
class ShapedLabel final : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        const QString shown = text();
        if (shown.isEmpty() || shown.isRightToLeft() || textFormat() != Qt::PlainText || wordWrap()
            || frameShape() != QFrame::NoFrame || indent() > 0 || buddy() || movie()
            || (textInteractionFlags()
                & (Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard | Qt::TextEditable))
            || qstrcmp(style()->metaObject()->className(), "QFusionStyle") != 0) {
            QLabel::paintEvent(event);
            return;
        }
        QPainter painter(this);
        QStyleOption option;
        option.initFrom(this);
        painter.setPen(QPen(option.palette.brush(foregroundRole()), painter.pen().widthF()));
        const int m = margin();
        const QRect area = contentsRect().adjusted(m, m, -m, -m);
        const int flags
            = QStyle::visualAlignment(Qt::LeftToRight, alignment()) | Qt::TextForceLeftToRight;
        ShapedText::draw(painter, QRectF(area), flags, shown);
    }
};

} // namespace

QFont eyebrowFont()
{
    QFont font = Theme::font(11, QFont::Bold, Theme::FontDesign::rounded);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    return font;
}

QFont bigFigureFont(qreal points, QFont::Weight weight)
{
    return Theme::font(points, weight, Theme::FontDesign::rounded);
}

void style(QLabel *label, const QFont &font, const QColor &color)
{
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    label->setPalette(palette);
}

QLabel *label(const QString &text, const QFont &font, const QColor &color, QWidget *parent)
{
    auto *result = new ShapedLabel(text, parent);
    result->setTextFormat(Qt::PlainText);
    result->setAttribute(Qt::WA_TranslucentBackground);
    style(result, font, color);
    return result;
}

QLabel *supportingLabel(const QString &text, QWidget *parent)
{
    return label(text, Theme::textStyle(Theme::TextStyle::caption), Theme::secondaryText(), parent);
}

QString percent(double fraction, int fractionDigits)
{
    return Icu::formatPercent(fraction, fractionDigits, Icu::numberLocale());
}

QString percent(double fraction, int fractionDigits, const char *localeName)
{
    return Icu::formatPercent(fraction, fractionDigits, icu::Locale(localeName));
}

namespace {

// A face's timer runs only while its window shows, so a hidden overlay never wakes the
// process; shown again, the face catches up before its first paint.
class RunWhileShown final : public QObject
{
public:
    RunWhileShown(QObject *owner, QTimer *timer, std::function<void()> refresh)
        : QObject(timer)
        , m_timer(timer)
        , m_refresh(std::move(refresh))
    {
        if (owner->isWidgetType())
            owner->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide) {
            m_timer->stop();
        } else if (event->type() == QEvent::Show && !m_timer->isActive()) {
            m_refresh();
            m_timer->start();
        }
        return false;
    }

private:
    QTimer *m_timer;
    std::function<void()> m_refresh;
};

} // namespace

QTimer *startTimeline(QObject *owner, std::chrono::milliseconds interval,
    std::function<void(const QDateTime &now)> tick)
{
    auto *timer = new QTimer(owner);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(interval);
    // Every tick, and so every show, follows a change of the system's zone.
    const auto now = [tick] {
        Icu::followSystemZone();
        tick(QDateTime::currentDateTime());
    };
    QObject::connect(timer, &QTimer::timeout, owner, now);
    new RunWhileShown(owner, timer, now);
    Icu::followSystemZone();
    tick(QDateTime::currentDateTime());
    timer->start();
    return timer;
}

QTimer *startPolling(QObject *owner, std::chrono::milliseconds interval, std::function<void()> poll)
{
    // Single-shot and re-armed after each poll, so the sleep follows the poll step.
    auto *timer = new QTimer(owner);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(true);
    timer->setInterval(interval);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, poll] {
        poll();
        timer->start();
    });
    new RunWhileShown(owner, timer, poll);
    poll();
    timer->start();
    return timer;
}

DimmedField::DimmedField(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
}

void DimmedField::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    fillRoundedRect(painter, QRectF(rect()), 12, Theme::black(0.12));
}

} // namespace Face
