#include "x11screengrab.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {

bool hasThirtyTwoBitPixels(const xcb_setup_t *setup, uint8_t depth)
{
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == depth)
            return it.data->bits_per_pixel == 32;
    }
    return false;
}

} // namespace

QImage grabX11Screen(QScreen *screen)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !screen || screen->devicePixelRatio() != 1.0)
        return {};
    xcb_connection_t *c = x11->connection();
    const xcb_setup_t *setup = xcb_get_setup(c);
    const xcb_screen_t *root = xcb_setup_roots_iterator(setup).data;
    if (!root || root->root_depth != 24 || !hasThirtyTwoBitPixels(setup, root->root_depth))
        return {};

    const QRect area = screen->geometry();
    xcb_get_image_reply_t *reply = xcb_get_image_reply(c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root->root, int16_t(area.x()),
            int16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()), ~0u),
        nullptr);
    if (!reply)
        return {};
    const qsizetype bytes = qsizetype(area.width()) * area.height() * 4;
    if (xcb_get_image_data_length(reply) < bytes) {
        std::free(reply);
        return {};
    }
    // The image borrows the reply's pixels and frees the reply when the last copy goes.
    return QImage(
        xcb_get_image_data(reply), area.width(), area.height(), area.width() * 4,
        QImage::Format_RGB32, [](void *owner) { std::free(owner); }, reply);
}

QImage X11ScreenCapture::grab(const ScreenInfo &screen)
{
    const QImage picture = grabX11Screen(screen.screen.data());
    return picture.isNull() ? QtScreenCapture::grab(screen) : picture;
}
