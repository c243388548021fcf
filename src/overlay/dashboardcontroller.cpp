#include "dashboardcontroller.h"

#include "backdropcapture.h"
#include "dashboardpanel.h"
#include "dashboardstore.h"
#include "globalhotkey.h"
#include "keptthreads.h"
#include "windowhints.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QWindow>
#include <future>
#include <system_error>
#include <vector>

// QT_LOGGING_RULES="corvina.overlay.debug=true" tells what the overlay does and why.
Q_LOGGING_CATEGORY(lcOverlay, "corvina.overlay", QtWarningMsg)

static QDebug operator<<(QDebug debug, const ScreenInfo &screen)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << screen.identifier << ' ' << screen.geometry
                              << (screen.isPrimary ? " main" : "");
    return debug;
}

DashboardController::DashboardController(
    Defaults &defaults, OverlayPlatform platform, FaceServices services, QObject *parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_platform(std::move(platform))
    , m_services(services)
{
    Q_ASSERT(m_platform.screens && m_platform.presentation && m_platform.hotKey);
    connect(m_platform.screens, &Screens::changed, this, &DashboardController::screensChanged);
    m_placementCheck.setSingleShot(true);
    m_placementCheck.setInterval(placementDelay);
    connect(&m_placementCheck, &QTimer::timeout, this, &DashboardController::checkPlacement);
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
    qCDebug(lcOverlay) << "toggle";
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
    qCDebug(lcOverlay) << "show on" << screens;
    // Every screen is read before any panel covers one of them, and as soon as can be.
    // The buffers of panels kept for these screens are sized while the server reads them:
    // one wait for both.
    const QList<QImage> pictures = grabDesktops(m_platform.screenCapture, screens, [&] {
        for (DashboardPanel *panel : std::as_const(m_panels)) {
            if (screens.contains(panel->screenInfo()))
                panel->sizeBuffer();
        }
    });
    // Blurred on other threads while the panels are matched and mapped, and while the
    // window manager places them: nothing paints a panel before the event loop runs again.
    std::vector<std::shared_future<QImage>> blurred;
    for (const QImage &picture : std::as_const(pictures)) {
        try {
            blurred.push_back(
                KeptThreads::shared().runWithFuture([picture] { return blurDesktop(picture); }));
        } catch (const std::system_error &) {
            // No thread to be had: blurred here, when joined.
            blurred.push_back(std::async(std::launch::deferred, blurDesktop, picture));
        }
    }
    reconcile(screens, pictures);
    // Kept panels' window buffers are made ready on other threads meanwhile too, each
    // backdrop composed into its own as soon as its picture is blurred.
    for (qsizetype i = 0; i < m_panels.size(); ++i)
        m_panels.at(i)->prepareBuffer(blurred[size_t(i)]);
    mapPanels(m_panels);
    // Mapping hands control to the faces and the presentation; either may have hidden us.
    for (size_t i = 0; i < blurred.size(); ++i) {
        const QImage backdrop = blurred[i].get();
        if (m_visible && qsizetype(i) < m_panels.size())
            m_panels.at(qsizetype(i))->setBackdrop(backdrop);
    }
    if (m_visible) {
        m_platform.presentation->setOptions(overlayOptions);
        if (m_platform.windowHints && m_platform.windowHints->paintsBeforeExposed()) {
            // The main screen's panel, which has the most cards, is the last to be composed:
            // the others are painted while it is, and the server puts them up meanwhile.
            for (bool main : {false, true}) {
                for (DashboardPanel *panel : std::as_const(m_panels)) {
                    if (panel->screenInfo().isPrimary == main)
                        panel->paintAhead();
                }
            }
        }
    }
    Q_EMIT visibilityChanged(true);
}

void DashboardController::hide()
{
    if (!m_visible)
        return;
    qCDebug(lcOverlay) << "hide";
    m_visible = false;
    m_placementCheck.stop();
    // Panels and their faces stay for the next show; only the screen-sized pictures go.
    for (DashboardPanel *panel : std::as_const(m_panels))
        panel->putAway();
    m_platform.presentation->setOptions(m_previousOptions.value_or(Presentation::Options()));
    m_previousOptions.reset();
    m_platform.presentation->hideApplication();
    Q_EMIT visibilityChanged(false);
}

QList<QImage> DashboardController::capture(const QList<ScreenInfo> &screens) const
{
    QList<QImage> backdrops;
    backdrops.reserve(screens.size());
    for (const ScreenInfo &screen : screens)
        backdrops.append(captureDesktopBackdrop(m_platform.screenCapture, screen));
    return backdrops;
}

QList<DashboardPanel *> DashboardController::reconcile(
    const QList<ScreenInfo> &screens, const QList<QImage> &backdrops)
{
    // Matched by display, whatever the panels last knew of their screens: signals about
    // screens come late and out of order, the list of screens now is what counts.
    QList<DashboardPanel *> unmatched = std::exchange(m_panels, {});
    QList<DashboardPanel *> fresh;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const ScreenInfo &screen = screens.at(i);
        const QImage &backdrop = backdrops.at(i);
        const auto found
            = std::find_if(unmatched.begin(), unmatched.end(), [&](DashboardPanel *panel) {
                  return panel->screenInfo().identifier == screen.identifier
                      // A see-through window cannot become opaque, nor back.
                      && panel->isTranslucent() == backdrop.isNull();
              });
        DashboardPanel *panel = nullptr;
        if (found != unmatched.end()) {
            panel = *found;
            unmatched.erase(found);
            if (!(panel->screenInfo() == screen)) {
                fitCards(screen);
                // Mapped again: a window manager places a new full-screen window on the
                // screen under it, but may keep one it has placed where it was. Not while
                // its last map is still on its way: openbox has lost a window mapped twice
                // in a row. The placement checks see it to its screen once it is there.
                const bool arriving = panel->isVisible() && m_platform.windowHints
                    && !m_platform.windowHints->placedGeometry(panel);
                if (!arriving)
                    panel->hide();
                panel->setScreenInfo(screen);
                if (!arriving)
                    fresh.append(panel);
            }
            panel->setBackdrop(backdrop);
        } else {
            panel = makePanel(screen, backdrop);
            fresh.append(panel);
        }
        m_panels.append(panel);
    }
    for (DashboardPanel *panel : std::as_const(unmatched)) {
        qCDebug(lcOverlay) << "drop the panel of" << panel->screenInfo();
        dropPanel(panel);
    }
    for (DashboardPanel *panel : std::as_const(fresh))
        qCDebug(lcOverlay) << "map a panel on" << panel->screenInfo();
    return fresh;
}

DashboardStore &DashboardController::store(const ScreenInfo &screen)
{
    DashboardStore *&store = m_stores[screen.identifier];
    if (!store)
        store = new DashboardStore(
            m_defaults, DashboardStore::keyForDisplay(screen.identifier), screen.isPrimary, this);
    return *store;
}

void DashboardController::fitCards(const ScreenInfo &screen)
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
}

DashboardPanel *DashboardController::makePanel(const ScreenInfo &screen, const QImage &backdrop)
{
    fitCards(screen);
    DashboardStore &store = this->store(screen);
    auto close = [controller = QPointer(this)] {
        qCDebug(lcOverlay) << "closed from a panel";
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
    for (DashboardPanel *panel : panels) {
        if (panel != main)
            showPanel(panel);
    }
    if (main)
        showPanel(main);
    m_platform.presentation->activateApplication();
    if (main) {
        main->raise();
        main->activateWindow();
    }
    lookAgain();
}

void DashboardController::lookAgain()
{
    // Window managers place a mapped window in their own time, and move the ones they had
    // placed when they learn of a new layout, which may be after we did.
    if (m_platform.windowHints && m_platform.windowHints->checksPlacement()) {
        m_placementChecks = 0;
        m_placementCheck.start();
    }
}

void DashboardController::showPanel(DashboardPanel *panel)
{
    if (!m_platform.windowHints) {
        panel->showFullScreen();
        return;
    }
    m_platform.windowHints->preparePanel(panel, panel->isTranslucent());
    m_platform.windowHints->showPanel(panel, panel->screenInfo().geometry);
}

void DashboardController::checkPlacement()
{
    if (!m_visible)
        return;
    // The layout may have changed again without word reaching us (RandR's notice of a
    // monitor resized under its own name has been seen to go missing): read it again.
    const QList<ScreenInfo> screens = m_platform.screens->screens();
    const bool asCovered = screens.size() == m_panels.size()
        && std::equal(screens.cbegin(), screens.cend(), m_panels.cbegin(),
            [](const ScreenInfo &screen, DashboardPanel *panel) {
                const ScreenInfo &covered = panel->screenInfo();
                return screen.identifier == covered.identifier
                    && screen.geometry == covered.geometry && screen.isPrimary == covered.isPrimary;
            });
    if (!asCovered) {
        screensChanged();
        return;
    }
    bool misplaced = false;
    for (DashboardPanel *panel : std::as_const(m_panels)) {
        const QRect wanted = panel->screenInfo().geometry;
        const std::optional<QRect> placed = m_platform.windowHints
            ? m_platform.windowHints->placedGeometry(panel)
            : std::optional(panel->geometry());
        if (placed == wanted)
            continue;
        misplaced = true;
        qCDebug(lcOverlay) << "panel of" << panel->screenInfo() << "found at"
                           << placed.value_or(QRect()) << "check" << m_placementChecks;
        if (m_platform.windowHints && placed)
            m_platform.windowHints->placePanel(panel, wanted);
        // Now and then, not at every look: a busy window manager may not have seen the
        // last map yet, and a window not on screen yet may still be on its way.
        const int remapFrom = placed ? 2 : 6;
        if (!panel->isVisible() || (m_placementChecks >= remapFrom && m_placementChecks % 3 == 2)) {
            // The window manager kept it elsewhere, or never showed it: map it again, where
            // it belongs.
            panel->hide();
            panel->setGeometry(wanted);
            showPanel(panel);
        } else {
            panel->setGeometry(wanted);
        }
    }
    // Some window managers leave the keyboard with a panel mapped earlier, or with a
    // full-screen program under the panels: the main screen's panel asks again. A window of
    // ours that is no panel (a dialog) keeps it.
    const auto main = std::find_if(m_panels.cbegin(), m_panels.cend(),
        [](DashboardPanel *panel) { return panel->screenInfo().isPrimary; });
    QWindow *focus = QGuiApplication::focusWindow();
    const bool unfocused = main != m_panels.cend() && focus != (*main)->windowHandle()
        && (!focus || std::any_of(m_panels.cbegin(), m_panels.cend(), [&](DashboardPanel *panel) {
               return panel->windowHandle() == focus;
           }));
    if (unfocused) {
        qCDebug(lcOverlay) << "the main panel asks for the keyboard, check" << m_placementChecks;
        (*main)->raise();
        (*main)->activateWindow();
    }
    const bool early = m_placementChecks < minimumPlacementChecks;
    if ((misplaced || unfocused || early) && ++m_placementChecks < maximumPlacementChecks)
        m_placementCheck.start();
}

void DashboardController::dropPanel(DashboardPanel *panel)
{
    panel->hide();
    // Later: the close action may be running inside this panel's own event handler.
    panel->deleteLater();
}

void DashboardController::screensChanged()
{
    // Hidden, the next show reconciles.
    if (!m_visible)
        return;
    const QList<ScreenInfo> screens = m_platform.screens->screens();
    qCDebug(lcOverlay) << "screens changed to" << screens;
    QList<ScreenInfo> uncovered;
    for (const ScreenInfo &screen : screens) {
        const bool covered
            = std::any_of(m_panels.cbegin(), m_panels.cend(), [&](DashboardPanel *panel) {
                  return panel->screenInfo().identifier == screen.identifier;
              });
        if (!covered)
            uncovered.append(screen);
    }
    // Only a new screen is captured, before its panel covers it; the others keep theirs.
    const QList<QImage> captured = capture(uncovered);
    QList<QImage> backdrops;
    for (const ScreenInfo &screen : screens) {
        const qsizetype at = uncovered.indexOf(screen);
        if (at >= 0) {
            backdrops.append(captured.at(at));
            continue;
        }
        const auto panel
            = std::find_if(m_panels.cbegin(), m_panels.cend(), [&](DashboardPanel *panel) {
                  return panel->screenInfo().identifier == screen.identifier;
              });
        backdrops.append((*panel)->backdrop());
    }
    const QList<DashboardPanel *> unmapped = reconcile(screens, backdrops);
    if (!unmapped.isEmpty())
        mapPanels(unmapped);
    else
        lookAgain();
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
        if (type == QEvent::KeyPress) {
            qCDebug(lcOverlay) << "Esc";
            hide();
        }
        return true;
    }
    return QObject::eventFilter(watched, event);
}
