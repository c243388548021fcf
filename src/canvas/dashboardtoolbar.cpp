#include "dashboardtoolbar.h"

#include "dashboardstore.h"
#include "faceconventions.h"
#include "symbolview.h"
#include "theme.h"
#include "toolbarbuttonstyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

DashboardToolbar::DashboardToolbar(
    DashboardStore &store, std::function<void()> close, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_closeButton(new ToolbarButtonStyle(QString(), false, this))
    , m_saveBanner(Face::label(
          QString(), Theme::textStyle(Theme::TextStyle::subheadline), Theme::orange(), this))
{
    setObjectName(QStringLiteral("toolbar"));
    setFixedHeight(barHeight);

    auto *title = new QHBoxLayout;
    title->setSpacing(10);
    title->addWidget(
        new SymbolView(QStringLiteral("square.grid.2x2.fill"), 16, Theme::cyan(), this));
    title->addWidget(Face::label(QStringLiteral("Corvina"),
        Theme::font(16, QFont::DemiBold, Theme::FontDesign::rounded), Theme::primaryText(), this));

    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setSymbol(QStringLiteral("xmark"), 18);
    m_closeButton->setToolTip(QStringLiteral("Close Dashboard"));
    m_closeButton->setAccessibleName(QStringLiteral("Close Dashboard"));
    connect(m_closeButton, &QAbstractButton::clicked, this, [close] {
        if (close)
            close();
    });

    m_saveBanner->setObjectName(QStringLiteral("saveBanner"));
    m_saveBanner->setTextFormat(Qt::PlainText);
    m_saveBanner->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(&store, &DashboardStore::saveStatusChanged, this, &DashboardToolbar::showSaveStatus);
    showSaveStatus();

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(22, 0, 22, 0);
    row->setSpacing(12);
    row->addLayout(title);
    row->addStretch(1);
    row->addWidget(m_saveBanner, 0, Qt::AlignVCenter);
    row->addWidget(m_closeButton);
}

void DashboardToolbar::showSaveStatus()
{
    const DefaultsStatus &status = m_store.saveStatus();
    m_saveBanner->setVisible(!status);
    if (status)
        return;
    m_saveBanner->setText(QStringLiteral("Changes can't be saved: ") + status.reason);
    m_saveBanner->setToolTip(status.path);
}

void DashboardToolbar::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void DashboardToolbar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Theme::black(0.18));
    painter.fillRect(QRect(0, height() - 1, width(), 1), Theme::white(0.18));
}
