#include "dashboardcontroller.h"

#include "backdropcapture.h"
#include "dashboardpanel.h"
#include "dashboardstore.h"
#include "globalhotkey.h"
#include "windowhints.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>

DashboardController::DashboardController(
    Defaults &defaults, OverlayPlatform platform, FaceServices services, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_platform(std::move(platform))
    , m_services(services)
{
    Q_ASSERT(m_platform.screens && m_platform.presentation && m_platform.hotKey);
    connect(m_platform.screens, &Screens::changed, this, &DashboardController::screensChanged);
}

DashboardController::~DashboardController()
{
    stop();
    // Panels hold references to the stores, so they go first.
    qDeleteAll(m_panels);
}

std::optional<QString> DashboardController::start()
{
    if (m_started)
        return std::nullopt;
    m_started = true;
    // Queued: the key arrives inside the platform's event dispatch, the toggle runs after.
    connect(m_platform.hotKey, &GlobalHotKey::activated, this, &DashboardController::toggle,
        Qt::QueuedConnection);
    connect(m_platform.hotKey, &GlobalHotKey::unavailable, this,
        &DashboardController::hotKeyUnavailable);
    std::optional<QString> failure = m_platform.hotKey->grab();
    QCoreApplication::instance()->installEventFilter(this);
    m_monitoring = true;
    return failure;
}

void DashboardController::stop()
{
    hide();
    if (m_monitoring) {
        QCoreApplication::instance()->removeEventFilter(this);
        m_monitoring = false;
    }
    if (m_started) {
        disconnect(m_platform.hotKey, &GlobalHotKey::activated, this, &DashboardController::toggle);
        disconnect(m_platform.hotKey, &GlobalHotKey::unavailable, this,
            &DashboardController::hotKeyUnavailable);
        m_platform.hotKey->release();
        m_started = false;
    }
}

void DashboardController::toggle()
{
    if (m_visible)
        hide();
    else
        show();
}

void DashboardController::show()
{
    if (m_visible)
        return;
    m_previousOptions = m_platform.presentation->options();
    m_visible = true;

    const QList<ScreenInfo> screens = m_platform.screens->screens();
    // Every screen is captured before any panel covers one of them.
    QList<QImage> backdrops;
    backdrops.reserve(screens.size());
    for (const ScreenInfo &screen : screens)
        backdrops.append(captureDesktopBackdrop(m_platform.screenCapture, screen));
    for (qsizetype i = 0; i < screens.size(); ++i)
        m_panels.append(makePanel(screens.at(i), backdrops.at(i)));

    mapPanels(m_panels);
    // Mapping hands control to the faces and the presentation; either may have hidden us.
    if (m_visible)
        m_platform.presentation->setOptions(overlayOptions);
    Q_EMIT visibilityChanged(true);
}

void DashboardController::hide()
{
    if (!m_visible)
        return;
    m_visible = false;
    const QList<DashboardPanel *> panels = std::exchange(m_panels, {});
    for (DashboardPanel *panel : panels)
        dropPanel(panel);
    m_platform.presentation->setOptions(m_previousOptions.value_or(Presentation::Options()));
    m_previousOptions.reset();
    m_platform.presentation->hideApplication();
    Q_EMIT visibilityChanged(false);
}

DashboardStore &DashboardController::store(const ScreenInfo &screen)
{
    DashboardStore *&store = m_stores[screen.identifier];
    if (!store)
        store = new DashboardStore(
            m_defaults, DashboardStore::keyForDisplay(screen.identifier), screen.isPrimary, this);
    return *store;
}

DashboardPanel *DashboardController::makePanel(const ScreenInfo &screen, const QImage &backdrop)
{
    DashboardStore &store = this->store(screen);
    // Cards saved on a larger screen are pulled inside this one. Cards already inside
    // are left alone: moving them in place would only write the same file again.
    const QSizeF canvas = screen.geometry.size();
    const QList<DashboardWidget> widgets = store.widgets();
    for (const DashboardWidget &widget : widgets) {
        const QPointF at(widget.x, widget.y);
        if (DashboardStore::clampedPosition(widget.kind, at, canvas) != at)
            store.move(widget.id, at, canvas);
    }

    auto close = [controller = QPointer(this)] {
        if (controller)
            controller->hide();
    };
    auto *panel = new DashboardPanel(screen, store, close, m_services, backdrop);
    panel->addActions(m_panelActions);
    return panel;
}

void DashboardController::mapPanels(const QList<DashboardPanel *> &panels)
{
    // Window managers focus the window mapped last, so the main screen's panel goes last.
    DashboardPanel *main = nullptr;
    for (DashboardPanel *panel : panels) {
        if (!main && panel->screenInfo().isPrimary)
            main = panel;
    }
    auto map = [this](DashboardPanel *panel) {
        if (m_platform.windowHints)
            m_platform.windowHints->preparePanel(panel, panel->isTranslucent());
        panel->showFullScreen();
    };
    for (DashboardPanel *panel : panels) {
        if (panel != main)
            map(panel);
    }
    if (main)
        map(main);
    m_platform.presentation->activateApplication();
    if (main) {
        main->raise();
        main->activateWindow();
    }
}

void DashboardController::dropPanel(DashboardPanel *panel)
{
    panel->hide();
    // Later: the close action may be running inside this panel's own event handler.
    panel->deleteLater();
}

void DashboardController::screensChanged()
{
    if (!m_visible)
        return;
    const QList<ScreenInfo> screens = m_platform.screens->screens();
    QList<DashboardPanel *> kept;
    for (DashboardPanel *panel : std::as_const(m_panels)) {
        if (screens.contains(panel->screenInfo()))
            kept.append(panel);
        else
            dropPanel(panel);
    }

    QList<ScreenInfo> added;
    for (const ScreenInfo &screen : screens) {
        const bool covered = std::any_of(kept.cbegin(), kept.cend(),
            [&](DashboardPanel *panel) { return panel->screenInfo() == screen; });
        if (!covered)
            added.append(screen);
    }
    QList<QImage> backdrops;
    for (const ScreenInfo &screen : std::as_const(added))
        backdrops.append(captureDesktopBackdrop(m_platform.screenCapture, screen));
    QList<DashboardPanel *> fresh;
    for (qsizetype i = 0; i < added.size(); ++i)
        fresh.append(makePanel(added.at(i), backdrops.at(i)));

    // Keep the panels in screen order.
    m_panels.clear();
    for (const ScreenInfo &screen : screens) {
        for (DashboardPanel *panel : std::as_const(kept) + fresh) {
            if (panel->screenInfo() == screen && !m_panels.contains(panel)) {
                m_panels.append(panel);
                break;
            }
        }
    }
    if (!fresh.isEmpty())
        mapPanels(fresh);
}

bool DashboardController::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    // Esc on an alert over the overlay closes the alert only.
    if (m_visible && (type == QEvent::KeyPress || type == QEvent::ShortcutOverride)
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape
        && !QApplication::activeModalWidget()) {
        // Claim the override so no shortcut fires; the press that follows hides.
        event->accept();
        if (type == QEvent::KeyPress)
            hide();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
