#include "calendarwidget.h"

#include "faceconventions.h"
#include "faceheader.h"
#include "icu.h"
#include "shapedtext.h"
#include "symbols.h"
#include "symbolview.h"
#include "theme.h"
#include "widgetdates.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <unicode/numfmt.h>

using namespace std::chrono_literals;

namespace {

constexpr int kHeaderSymbolSize = FaceHeader::symbolSize;
constexpr int kChevronSize = 13;

QStringList dayNumbers(const QList<std::optional<Instant>> &cells, const icu::Calendar &calendar,
    const icu::NumberFormat *format)
{
    std::unique_ptr<icu::Calendar> day(calendar.clone());
    QStringList numbers;
    numbers.reserve(cells.size());
    for (const auto &cell : cells) {
        if (!cell || !format || !day) {
            numbers.append(QString());
            continue;
        }
        UErrorCode cellStatus = U_ZERO_ERROR;
        day->setTime(Icu::toUDate(*cell), cellStatus);
        const int dayOfMonth = day->get(UCAL_DATE, cellStatus);
        icu::UnicodeString text;
        format->format(dayOfMonth, text);
        numbers.append(U_SUCCESS(cellStatus) ? Icu::toQString(text) : QString());
    }
    return numbers;
}

QToolButton *plainButton(QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral(
        "QToolButton { border: none; background: transparent; color: white; padding: 2px; }"
        " QToolButton:pressed { color: rgba(255, 255, 255, 0.6); }"));
    return button;
}

} // namespace

MonthGrid::MonthGrid(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("monthGrid"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void MonthGrid::setMonth(
    QStringList weekdays, QList<std::optional<Instant>> cells, QStringList numbers, int todayIndex)
{
    const bool rowsChanged
        = (cells.size() + columns - 1) / columns != (m_cells.size() + columns - 1) / columns;
    m_weekdays = std::move(weekdays);
    m_cells = std::move(cells);
    m_numbers = std::move(numbers);
    m_today = todayIndex;
    if (rowsChanged)
        updateGeometry();
    update();
}

int MonthGrid::symbolRowHeight() const
{
    QFont font = Theme::textStyle(Theme::TextStyle::caption2);
    font.setWeight(QFont::Bold);
    return QFontMetrics(font).height();
}

QSize MonthGrid::sizeHint() const
{
    const int rows = int((m_cells.size() + columns - 1) / columns);
    const int height = symbolRowHeight() + rows * (rowSpacing + cellSize);
    return QSize(columns * cellSize + (columns - 1) * columnSpacing, height);
}

QSize MonthGrid::minimumSizeHint() const
{
    return QSize(columns * 10 + (columns - 1) * columnSpacing, sizeHint().height());
}

void MonthGrid::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const qreal columnWidth = (width() - (columns - 1) * columnSpacing) / qreal(columns);
    auto columnCentre
        = [&](int column) { return column * (columnWidth + columnSpacing) + columnWidth / 2; };

    QFont symbolFont = Theme::textStyle(Theme::TextStyle::caption2);
    symbolFont.setWeight(QFont::Bold);
    painter.setFont(symbolFont);
    painter.setPen(Theme::secondaryText());
    const int symbolHeight = symbolRowHeight();
    for (int column = 0; column < m_weekdays.size() && column < columns; ++column) {
        const QRectF cell(columnCentre(column) - columnWidth / 2, 0, columnWidth, symbolHeight);
        ShapedText::draw(painter, cell, Qt::AlignCenter, m_weekdays[column]);
    }

    const QFont regular = Theme::font(13);
    const QFont bold = Theme::font(13, QFont::Bold);
    for (int i = 0; i < m_cells.size(); ++i) {
        if (!m_cells[i])
            continue;
        const int row = i / columns;
        const int column = i % columns;
        const qreal top = symbolHeight + rowSpacing + row * (cellSize + rowSpacing);
        const QRectF cell(columnCentre(column) - cellSize / 2.0, top, cellSize, cellSize);
        const bool today = i == m_today;
        if (today) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Theme::orange());
            painter.drawEllipse(cell);
        }
        painter.setFont(today ? bold : regular);
        painter.setPen(Theme::primaryText());
        ShapedText::draw(painter, cell, Qt::AlignCenter, m_numbers.value(i));
    }
}

CalendarWidget::CalendarWidget(std::unique_ptr<icu::Calendar> calendar, QWidget *parent,
    Clock clock, const icu::Locale &locale)
    : FaceWidget(12, parent)
    , m_calendar(std::move(calendar))
    , m_clock(std::move(clock))
    , m_locale(locale)
    , m_weekdays(WidgetDates::weekdaySymbols(*m_calendar))
    , m_title(Face::label(QString(), Theme::textStyle(Theme::TextStyle::headline)))
    , m_grid(new MonthGrid)
{
    setObjectName(QStringLiteral("calendarFace"));
    UErrorCode status = U_ZERO_ERROR;
    m_dayFormat.reset(icu::NumberFormat::createInstance(m_locale, status));

    auto *header = new QHBoxLayout;
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(8);
    header->addWidget(
        new SymbolView(QStringLiteral("calendar"), kHeaderSymbolSize, Theme::orange()), 0,
        Qt::AlignVCenter);
    m_title->setObjectName(QStringLiteral("monthTitle"));
    header->addWidget(m_title, 0, Qt::AlignVCenter);
    header->addStretch(1);

    auto *previous = plainButton(this);
    previous->setObjectName(QStringLiteral("previousMonth"));
    previous->setIcon(QIcon(Symbols::pixmap(
        QStringLiteral("chevron.left"), kChevronSize, Theme::primaryText(), devicePixelRatioF())));
    previous->setIconSize(QSize(kChevronSize, kChevronSize));
    previous->setToolTip(QStringLiteral("Previous month"));
    previous->setAccessibleName(QStringLiteral("Previous month"));
    auto *today = plainButton(this);
    today->setObjectName(QStringLiteral("today"));
    today->setText(QStringLiteral("Today"));
    today->setFont(Theme::textStyle(Theme::TextStyle::caption));
    auto *next = plainButton(this);
    next->setObjectName(QStringLiteral("nextMonth"));
    next->setIcon(QIcon(Symbols::pixmap(
        QStringLiteral("chevron.right"), kChevronSize, Theme::primaryText(), devicePixelRatioF())));
    next->setIconSize(QSize(kChevronSize, kChevronSize));
    next->setToolTip(QStringLiteral("Next month"));
    next->setAccessibleName(QStringLiteral("Next month"));
    header->addWidget(previous, 0, Qt::AlignVCenter);
    header->addWidget(today, 0, Qt::AlignVCenter);
    header->addWidget(next, 0, Qt::AlignVCenter);
    addRow(header);
    addRow(m_grid);

    connect(previous, &QToolButton::clicked, this, [this] { setMonthOffset(m_monthOffset - 1); });
    connect(today, &QToolButton::clicked, this, [this] { setMonthOffset(0); });
    connect(next, &QToolButton::clicked, this, [this] { setMonthOffset(m_monthOffset + 1); });
    startTimeline(30s, [this, zone = Icu::zoneGeneration()](const QDateTime &) mutable {
        Icu::followZone(*m_calendar, zone);
        refresh();
    });
}

CalendarWidget::~CalendarWidget() = default;

void CalendarWidget::setMonthOffset(int offset)
{
    m_monthOffset = offset;
    refresh();
}

QString CalendarWidget::monthTitle() const
{
    return m_title->text();
}

void CalendarWidget::refresh()
{
    const Instant now = m_clock();
    const Instant shown = WidgetDates::addingMonths(now, m_monthOffset, *m_calendar).value_or(now);
    // The month and year in the locale's own order ("December 2026").
    m_title->setText(Icu::formatSkeleton(shown, u"MMMMy", m_locale, m_calendar->getTimeZone()));

    auto cells = WidgetDates::monthDates(shown, *m_calendar);
    int todayIndex = -1;
    for (int i = 0; i < cells.size(); ++i) {
        if (cells[i] && WidgetDates::isSameDay(*cells[i], now, *m_calendar)) {
            todayIndex = i;
            break;
        }
    }
    QStringList numbers = dayNumbers(cells, *m_calendar, m_dayFormat.get());
    m_grid->setMonth(m_weekdays, std::move(cells), std::move(numbers), todayIndex);
}
