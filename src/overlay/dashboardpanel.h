#pragma once

#include "faceservices.h"
#include "screens.h"

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <future>

class DashboardStore;
class DashboardView;
class QBackingStore;

// A frameless, always-on-top, full-screen window on one screen holding its dashboard. Kept
// between shows, unmapped while hidden.
class DashboardPanel : public QWidget
{
    Q_OBJECT

public:
    DashboardPanel(const ScreenInfo &screen, DashboardStore &store, std::function<void()> close,
        FaceServices services, const QImage &backdrop);

    const ScreenInfo &screenInfo() const { return m_screen; }
    // Moves the panel onto `screen` (the same display, maybe resized or moved).
    void setScreenInfo(const ScreenInfo &screen);
    // What the next show paints under the cards; null leaves the tint of a translucent panel.
    void setBackdrop(const QImage &backdrop);
    QImage backdrop() const;
    // Unmaps the panel and lets go of its screen-sized buffers (backdrop, and the window
    // buffer unless it is the main screen's), keeping the widgets; the next show paints it
    // afresh.
    void putAway();
    // Sizes the window buffer of a panel shown before and, on another thread, composes the
    // backdrop of `blurred` into it (or has the system make its pages), so the first paint
    // of a show neither composes it nor stops at every page it touches.
    void prepareBuffer(const std::shared_future<QImage> &blurred = {});
    // Only the first step of that: the window buffer sized for the screen, which on X11
    // waits for the server, and its pages being made. Null where there is no such buffer
    // to prepare.
    QBackingStore *sizeBuffer();
    // Paints a panel just mapped without waiting for its expose, which on X11 comes only once
    // the window manager has framed and mapped it. Only where WindowHints allows it.
    void paintAhead();
    DashboardStore &store() const { return m_store; }
    DashboardView *view() const { return m_view; }
    // A null backdrop leaves the panel see-through under a tint.
    bool isTranslucent() const { return m_translucent; }

    void setVisible(bool visible) override;
    ~DashboardPanel() override;

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void makePages(QBackingStore *buffer);
    static bool releasePages(QBackingStore *buffer);

    ScreenInfo m_screen;
    DashboardStore &m_store;
    DashboardView *m_view;
    bool m_translucent;
    std::shared_future<void> m_preparing; // the window buffer's pages being made
    const uchar *m_warmPages = nullptr; // the buffer whose pages are made, or being made
    QPointer<QWindow> m_watched; // whose events may move the window's buffer
};
