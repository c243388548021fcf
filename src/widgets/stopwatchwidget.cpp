#include "stopwatchwidget.h"

#include "dashboardstore.h"
#include "digitlabel.h"
#include "facebindings.h"
#include "faceconventions.h"
#include "theme.h"
#include "toolbarbuttonstyle.h"

#include <QHBoxLayout>

using namespace std::chrono_literals;

StopwatchWidget::StopwatchWidget(
    DashboardStore *store, const QUuid &id, QWidget *parent, Clock clock)
    : FaceWidget(8, parent)
    , m_store(store)
    , m_id(id)
    , m_clock(std::move(clock))
    , m_time(new DigitLabel(StopwatchState::format(0), Face::bigFigureFont(40, QFont::DemiBold),
          Theme::primaryText()))
    , m_startStop(new ToolbarButtonStyle(QStringLiteral("Start"), true))
    , m_reset(new ToolbarButtonStyle(QStringLiteral("Reset"), false))
{
    setObjectName(QStringLiteral("stopwatchFace"));
    addHeader(QStringLiteral("stopwatch"), Theme::cyan(), QStringLiteral("STOPWATCH"));

    m_time->setObjectName(QStringLiteral("time"));
    m_time->setMinimumScale(0.5);
    m_time->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    addRow(m_time);

    m_startStop->setObjectName(QStringLiteral("startStop"));
    m_reset->setObjectName(QStringLiteral("reset"));
    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(8);
    buttons->addWidget(m_startStop);
    buttons->addWidget(m_reset);
    buttons->addStretch(1);
    addRow(buttons);

    connect(m_startStop, &QAbstractButton::clicked, this, &StopwatchWidget::toggle);
    connect(m_reset, &QAbstractButton::clicked, this, &StopwatchWidget::reset);
    connect(m_store, &DashboardStore::widgetsChanged, this, &StopwatchWidget::refresh);
    startTimeline(100ms, [this](const QDateTime &) { refresh(); });
}

void StopwatchWidget::toggle()
{
    StopwatchState state = FaceBindings::stopwatch(*m_store, m_id);
    state.toggle(m_clock());
    FaceBindings::saveStopwatch(*m_store, m_id, state);
}

void StopwatchWidget::reset()
{
    FaceBindings::saveStopwatch(*m_store, m_id, StopwatchState {});
}

QString StopwatchWidget::shownText() const
{
    return m_time->text();
}

QString StopwatchWidget::startStopText() const
{
    return m_startStop->text();
}

void StopwatchWidget::refresh()
{
    const StopwatchState state = FaceBindings::stopwatch(*m_store, m_id);
    m_time->setText(StopwatchState::format(state.shownSeconds(m_clock())));
    m_startStop->setText(state.isRunning() ? QStringLiteral("Stop") : QStringLiteral("Start"));
}
