// The one place that uses QtWaylandClient's private API, through the headers of the
// installed Qt version (see the build files). Everything else stays behind LayerShell.
#include "waylandlayershell.h"

#include <QVariant>
#include <QWindow>

namespace {
constexpr char panelProperty[] = "_corvina_layer_panel";
bool active = false;
} // namespace

void LayerShell::markPanel(QWindow *window)
{
    window->setProperty(panelProperty, true);
}

bool LayerShell::isActive()
{
    return active;
}

#ifndef CORVINA_LAYER_SHELL

void LayerShell::install()
{ }

#else

#include "qwayland-wlr-layer-shell-unstable-v1.h"

#include <QGuiApplication>
#include <QLibraryInfo>
#include <QPluginLoader>
#include <QtWaylandClient/private/qwaylandshellintegration_p.h>
#include <QtWaylandClient/private/qwaylandshellintegrationplugin_p.h>
#include <QtWaylandClient/private/qwaylandshellsurface_p.h>
#include <algorithm>
#include <memory>
#include <qpa/qplatformnativeinterface.h>
#include <qpa/qplatformwindow.h>
#include <qpa/qwindowsysteminterface.h>
#include <wayland-client.h>

using namespace QtWaylandClient;

namespace {

constexpr char integrationKey[] = "corvina-layer-shell";

class LayerSurface final
    : public QWaylandShellSurface
    , public QtWayland::zwlr_layer_surface_v1
{
public:
    LayerSurface(QtWayland::zwlr_layer_shell_v1 &shell, QWaylandWindow *window)
        : QWaylandShellSurface(window)
    {
        QWindow *qwindow = platformWindow()->window();
        wl_output *output = nullptr;
        if (QScreen *screen = qwindow->screen())
            output = static_cast<wl_output *>(
                QGuiApplication::platformNativeInterface()->nativeResourceForScreen(
                    "output", screen));
        init(shell.get_layer_surface(wlSurface(), output,
            QtWayland::zwlr_layer_shell_v1::layer_overlay, QStringLiteral("corvina")));
        // All four edges and no size: the compositor answers with the output's size.
        set_anchor(anchor_top | anchor_bottom | anchor_left | anchor_right);
        set_size(0, 0);
        // Over docks and bars, without pushing them aside.
        set_exclusive_zone(-1);
        set_keyboard_interactivity(keyboard_interactivity_exclusive);
        // The state above takes effect with this empty commit; the compositor configures.
        wl_surface_commit(wlSurface());
    }

    ~LayerSurface() override
    {
        if (isInitialized())
            destroy();
    }

    bool isExposed() const override { return m_configured; }

    // Nothing is drawn before the compositor has said how large the surface is.
    bool handleExpose(const QRegion &) override { return !m_configured; }

    void applyConfigure() override { resizeFromApplyConfigure(m_size); }

protected:
    void zwlr_layer_surface_v1_configure(uint32_t serial, uint32_t width, uint32_t height) override
    {
        ack_configure(serial);
        m_size = QSize(int(width), int(height));
        if (m_configured) {
            applyConfigureWhenPossible();
            return;
        }
        m_configured = true;
        resizeFromApplyConfigure(m_size);
        QWindowSystemInterface::handleExposeEvent(
            platformWindow()->window(), QRect(QPoint(), m_size));
    }

private:
    QSize m_size;
    bool m_configured = false;
};

// Layer surfaces for panels; every other window goes to Qt's own xdg-shell integration.
class LayerShellIntegration final
    : public QWaylandShellIntegrationTemplate<LayerShellIntegration>
    , public QtWayland::zwlr_layer_shell_v1
{
public:
    LayerShellIntegration()
        : QWaylandShellIntegrationTemplate<LayerShellIntegration>(4)
    { }

    ~LayerShellIntegration() override
    {
        if (QtWayland::zwlr_layer_shell_v1::isInitialized())
            zwlr_layer_shell_v1_destroy(object());
    }

    bool initialize(QWaylandDisplay *display) override
    {
        if (!QWaylandShellIntegrationTemplate<LayerShellIntegration>::initialize(display))
            return false;
        m_others.reset(loadXdgShell(display));
        active = m_others != nullptr;
        return active;
    }

    QWaylandShellSurface *createShellSurface(QWaylandWindow *window) override
    {
        if (isPanel(wlSurfaceForWindow(window)))
            return new LayerSurface(*this, window);
        return m_others->createShellSurface(window);
    }

    void *nativeResourceForWindow(const QByteArray &resource, QWindow *window) override
    {
        return m_others->nativeResourceForWindow(resource, window);
    }

private:
    static bool isPanel(wl_surface *surface)
    {
        QPlatformNativeInterface *native = QGuiApplication::platformNativeInterface();
        const QWindowList windows = QGuiApplication::topLevelWindows();
        return std::any_of(windows.cbegin(), windows.cend(), [&](QWindow *window) {
            return window->property(panelProperty).toBool()
                && native->nativeResourceForWindow("surface", window) == surface;
        });
    }

    static QWaylandShellIntegration *loadXdgShell(QWaylandDisplay *display)
    {
        QPluginLoader loader(QLibraryInfo::path(QLibraryInfo::PluginsPath)
            + QStringLiteral("/wayland-shell-integration/libxdg-shell.so"));
        auto *plugin = qobject_cast<QWaylandShellIntegrationPlugin *>(loader.instance());
        if (!plugin)
            return nullptr;
        std::unique_ptr<QWaylandShellIntegration> integration(
            plugin->create(QStringLiteral("xdg-shell"), {}));
        if (!integration || !integration->initialize(display))
            return nullptr;
        return integration.release();
    }

    std::unique_ptr<QWaylandShellIntegration> m_others;
};

class LayerShellPlugin final : public QWaylandShellIntegrationPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(
        IID QWaylandShellIntegrationFactoryInterface_iid FILE "waylandlayershell.json")

public:
    QWaylandShellIntegration *create(const QString &, const QStringList &) override
    {
        return new LayerShellIntegration;
    }
};

} // namespace

Q_IMPORT_PLUGIN(LayerShellPlugin)

void LayerShell::install()
{
    if (qEnvironmentVariableIsEmpty("QT_WAYLAND_SHELL_INTEGRATION"))
        qputenv("QT_WAYLAND_SHELL_INTEGRATION", QByteArray(integrationKey) + ";xdg-shell");
}

#include "waylandlayershell.moc"

#endif
