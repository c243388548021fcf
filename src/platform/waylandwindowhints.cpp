#include "waylandwindowhints.h"

#include "qwayland-blur.h"
#include "waylandlayershell.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWaylandClientExtensionTemplate>
#include <QWidget>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

// KWin's blur behind a surface, bound through Qt's own connection when KWin offers it.
class WaylandWindowHints::BlurManager final
    : public QWaylandClientExtensionTemplate<BlurManager>
    , public QtWayland::org_kde_kwin_blur_manager
{
public:
    BlurManager()
        : QWaylandClientExtensionTemplate<BlurManager>(1)
    {
        initialize();
    }

    ~BlurManager() override
    {
        if (QtWayland::org_kde_kwin_blur_manager::isInitialized())
            org_kde_kwin_blur_manager_destroy(object());
    }
};

// Asks for the blur on the surface a panel has while shown. Qt makes a new surface each
// time the window is mapped, so the request follows it from expose to expose.
class WaylandWindowHints::BlurRequest final
    : public QObject
    , public QtWayland::org_kde_kwin_blur
{
public:
    BlurRequest(BlurManager &manager, QWindow *window)
        : QObject(window)
        , m_manager(manager)
    {
        window->installEventFilter(this);
    }

    ~BlurRequest() override { drop(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Expose || !m_manager.isActive())
            return false;
        auto *surface = static_cast<wl_surface *>(
            QGuiApplication::platformNativeInterface()->nativeResourceForWindow(
                "surface", static_cast<QWindow *>(watched)));
        if (surface && surface != m_surface) {
            drop();
            m_surface = surface;
            // No region: the whole surface. Applied with the surface's next commit.
            init(m_manager.create(surface));
            commit();
        }
        return false;
    }

private:
    void drop()
    {
        if (isInitialized())
            org_kde_kwin_blur::release();
        m_surface = nullptr;
    }

    BlurManager &m_manager;
    wl_surface *m_surface = nullptr;
};

WaylandWindowHints::WaylandWindowHints()
    : m_blur(std::make_unique<BlurManager>())
{ }

WaylandWindowHints::~WaylandWindowHints() = default;

void WaylandWindowHints::preparePanel(QWidget *panel, bool translucent)
{
    panel->winId();
    QWindow *window = panel->windowHandle();
    if (!window)
        return;
    LayerShell::markPanel(window);
    if (translucent && !window->findChild<BlurRequest *>(QString(), Qt::FindDirectChildrenOnly))
        new BlurRequest(*m_blur, window);
}
