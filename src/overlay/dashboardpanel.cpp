#include "dashboardpanel.h"

#include "dashboardview.h"
#include "keptthreads.h"

#include <QBackingStore>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>
#include <sys/mman.h>
#include <system_error>
#include <unistd.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

DashboardPanel::DashboardPanel(const ScreenInfo &screen, DashboardStore &store,
    std::function<void()> close, FaceServices services, const QImage &backdrop)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_screen(screen)
    , m_store(store)
    , m_view(new DashboardView(store, std::move(close), services, this))
    , m_translucent(backdrop.isNull())
{
    setObjectName(QStringLiteral("dashboardPanel"));
    setWindowTitle(QStringLiteral("Corvina"));
    // Without a compositor a translucent window shows black, so only go see-through when
    // there is no captured desktop to paint instead.
    setAttribute(Qt::WA_TranslucentBackground, m_translucent);
    setScreenInfo(screen);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_view->setBackdrop(backdrop);
}

DashboardPanel::~DashboardPanel()
{
    // The window's buffer goes with the panel; nothing may still be writing to it.
    m_view->finishAhead();
    if (m_preparing.valid())
        m_preparing.wait();
}

bool DashboardPanel::event(QEvent *event)
{
    if (event->type() == QEvent::UpdateRequest || event->type() == QEvent::Resize)
        m_view->finishAhead();
    return QWidget::event(event);
}

void DashboardPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Sent once the faces are shown, so up to date, and before the window is mapped, which
    // waits for the server: the faces whose glass is laid go in first.
    m_view->paintFacesAhead(false);
}

bool DashboardPanel::eventFilter(QObject *watched, QEvent *event)
{
    // Qt paints, resizes or drops the window's buffer on these, on the window itself.
    switch (event->type()) {
    case QEvent::Expose:
    case QEvent::UpdateRequest:
    case QEvent::Resize:
    case QEvent::PlatformSurface:
    case QEvent::Hide:
        m_view->finishAhead();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void DashboardPanel::setVisible(bool visible)
{
    const bool showing = visible && isHidden();
    QWidget::setVisible(visible);
    if (!showing)
        return;
    // Qt posts a repaint for each widget it shows. A window just mapped is painted whole
    // once it is exposed, so run after that, they would paint every card a second time.
    QCoreApplication::removePostedEvents(this, QEvent::UpdateLater);
    const QList<QWidget *> widgets = findChildren<QWidget *>();
    for (QWidget *widget : widgets)
        QCoreApplication::removePostedEvents(widget, QEvent::UpdateLater);
}

void DashboardPanel::setScreenInfo(const ScreenInfo &screen)
{
    m_view->finishAhead();
    m_screen = screen;
    // Qt's screen may still have the monitor's old place; then the geometry alone counts.
    if (screen.screen && screen.screen->geometry() == screen.geometry)
        setScreen(screen.screen);
    setGeometry(screen.geometry);
}

void DashboardPanel::setBackdrop(const QImage &backdrop)
{
    m_view->setBackdrop(backdrop);
}

QImage DashboardPanel::backdrop() const
{
    return m_view->backdropImage();
}

QBackingStore *DashboardPanel::sizeBuffer()
{
    // Only X11's buffer is an image that stays between paints; Qt's Wayland buffer is
    // made at the paint, and reading its paint device before one reads a null buffer.
    QBackingStore *buffer = backingStore();
    if (!buffer || !windowHandle() || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    m_view->finishAhead();
    if (buffer->size() != size()) {
        // Nothing may still be writing to the buffer when it is sized again.
        if (m_preparing.valid())
            m_preparing.wait();
        // The size the first paint would give it, so that paint keeps this buffer.
        buffer->resize(size());
    }
    makePages(buffer);
    return buffer;
}

void DashboardPanel::makePages(QBackingStore *buffer)
{
    QPaintDevice *device = buffer->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return;
    const auto *image = static_cast<const QImage *>(device);
    // Pages kept from the last show are all there: walking them again would cost a
    // millisecond.
    if (m_warmPages == image->constBits())
        return;
    m_warmPages = image->constBits();
    const auto page = quintptr(sysconf(_SC_PAGESIZE));
    const auto start = quintptr(image->constBits()) & ~(page - 1);
    const auto end = quintptr(image->constBits()) + quintptr(image->sizeInBytes());
    // Pages made ready for writing, their content untouched, on another thread from the
    // start of the show: while the server reads the screens, nothing else is done there.
    // Where the kernel cannot do it, the first writes fault them in as before.
    // A small piece at a time: the kernel holds the process's address space for the whole of
    // each call, and the main thread, growing or trimming its heap meanwhile, waits for it.
    const auto populate = [start, end, piece = 16 * page] {
        for (quintptr at = start; at < end; at += piece) {
            if (::madvise(
                    reinterpret_cast<void *>(at), std::min(piece, end - at), MADV_POPULATE_WRITE)
                != 0)
                break;
        }
    };
    try {
        m_preparing = KeptThreads::shared().runWithFuture(populate).share();
    } catch (const std::system_error &) {
        // No thread to be had: the paint faults the pages in.
    }
}

void DashboardPanel::prepareBuffer(const std::shared_future<QImage> &blurred)
{
    QBackingStore *buffer = sizeBuffer();
    if (!buffer)
        return;
    QPaintDevice *device = buffer->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return;
    const auto *image = static_cast<const QImage *>(device);
    if (m_watched != windowHandle()) {
        m_watched = windowHandle();
        m_watched->installEventFilter(this);
    }
    // Opaque at whole pixels, the backdrop is then written there while the panel is mapped,
    // once its pages are made. Otherwise the paint may start before they are.
    const QImage::Format format = image->format();
    if (blurred.valid() && !m_translucent && image->devicePixelRatio() == 1.0
        && (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied)
        && image->size() == size() && m_view->size() == size()) {
        m_view->composeAhead(blurred, static_cast<QImage *>(device)->bits(), image->bytesPerLine(),
            format, [pages = m_preparing] {
                if (pages.valid())
                    pages.wait();
            });
    }
}

void DashboardPanel::paintAhead()
{
    if (!isVisible() || testAttribute(Qt::WA_Mapped))
        return;
    // Qt holds a window's paint until it is exposed.
    setAttribute(Qt::WA_Mapped);
    // The faces go in while the backdrop is still being composed around them.
    m_view->paintFacesAhead();
    m_view->paintKeepingFaces([this] { repaint(); });
}

void DashboardPanel::putAway()
{
    m_view->finishAhead();
    if (m_preparing.valid())
        m_preparing.wait();
    hide();
    setBackdrop(QImage());
    QBackingStore *buffer = backingStore();
    if (!buffer)
        return;
    // X11's buffer, once shown, is read by the server until it says it is done, and the
    // first paint into it waits for that word; a buffer sized again keeps waiting for it.
    // Asked for now, it does not hold up the next show.
    const bool read = QGuiApplication::platformName() == QLatin1String("xcb") && !m_translucent;
    if (read) {
        buffer->beginPaint(QRegion(QRect(QPoint(0, 0), buffer->size())));
        buffer->endPaint();
    }
    // A full window of pixels each. The main screen's is kept: fresh pages cost that show's
    // paint, and the server's copy of it, more than anything else, and memory allows one
    // screen's worth. The others keep the buffer but give its pages back, so the next show
    // neither makes nor hands the server a new one; where that cannot be, the first paint
    // after the next show sizes it again. Only once the server has read it.
    if (m_screen.isPrimary)
        return;
    m_warmPages = nullptr;
    if (!(read && releasePages(buffer)))
        buffer->resize(QSize(1, 1));
}

bool DashboardPanel::releasePages(QBackingStore *buffer)
{
    // X11's buffer is memory shared with the server, whose pages can be handed back whole.
    QPaintDevice *device = buffer->paintDevice();
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !device
        || device->devType() != QInternal::Image)
        return false;
    const auto *image = static_cast<const QImage *>(device);
    const auto page = quintptr(sysconf(_SC_PAGESIZE));
    const auto start = (quintptr(image->constBits()) + page - 1) & ~(page - 1);
    const auto end = (quintptr(image->constBits()) + quintptr(image->sizeInBytes())) & ~(page - 1);
    return end > start && ::madvise(reinterpret_cast<void *>(start), end - start, MADV_REMOVE) == 0;
}
