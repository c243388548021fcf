#include "x11screengrab.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>
#include <xcb/render.h>
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

// The picture format of the root window's visual, asked once per connection.
xcb_render_pictformat_t rootFormat(xcb_connection_t *c, xcb_visualid_t visual)
{
    static xcb_connection_t *askedOn = nullptr;
    static xcb_render_pictformat_t format = XCB_NONE;
    if (askedOn == c)
        return format;
    askedOn = c;
    format = XCB_NONE;
    xcb_render_query_pict_formats_reply_t *reply
        = xcb_render_query_pict_formats_reply(c, xcb_render_query_pict_formats(c), nullptr);
    if (!reply)
        return format;
    for (auto screen = xcb_render_query_pict_formats_screens_iterator(reply);
         screen.rem && format == XCB_NONE; xcb_render_pictscreen_next(&screen)) {
        for (auto depth = xcb_render_pictscreen_depths_iterator(screen.data);
             depth.rem && format == XCB_NONE; xcb_render_pictdepth_next(&depth)) {
            for (auto it = xcb_render_pictdepth_visuals_iterator(depth.data); it.rem;
                 xcb_render_pictvisual_next(&it)) {
                if (it.data->visual == visual) {
                    format = it.data->format;
                    break;
                }
            }
        }
    }
    std::free(reply);
    return format;
}

// The root window of 24-bit pixels kept in 32 bits, the one layout read here.
const xcb_screen_t *readableRoot(xcb_connection_t *c, const QRect &area)
{
    const xcb_setup_t *setup = xcb_get_setup(c);
    const xcb_screen_t *root = xcb_setup_roots_iterator(setup).data;
    if (!root || root->root_depth != 24 || !hasThirtyTwoBitPixels(setup, root->root_depth))
        return nullptr;
    // Outside the root window the server has no pixels to give.
    if (area.isEmpty()
        || !QRect(0, 0, root->width_in_pixels, root->height_in_pixels).contains(area))
        return nullptr;
    return root;
}

// An image that borrows the reply's pixels and frees the reply when the last copy goes.
QImage imageOfReply(xcb_get_image_reply_t *reply, QSize size)
{
    if (!reply)
        return {};
    if (xcb_get_image_data_length(reply) < qsizetype(size.width()) * size.height() * 4) {
        std::free(reply);
        return {};
    }
    return QImage(
        xcb_get_image_data(reply), size.width(), size.height(), size.width() * 4,
        QImage::Format_RGB32, [](void *owner) { std::free(owner); }, reply);
}

} // namespace

QImage grabX11Screen(QScreen *screen)
{
    if (!screen || screen->devicePixelRatio() != 1.0)
        return {};
    return grabX11Area(screen->geometry());
}

QImage grabX11Area(const QRect &area)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return {};
    xcb_connection_t *c = x11->connection();
    const xcb_screen_t *root = readableRoot(c, area);
    if (!root)
        return {};
    return imageOfReply(
        xcb_get_image_reply(c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root->root, int16_t(area.x()),
                int16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()), ~0u),
            nullptr),
        area.size());
}

namespace {

// A reduced picture asked for and not yet read: the reply's cookie and the picture's size.
struct ReducedAsk
{
    xcb_get_image_cookie_t cookie {};
    QSize size;
};

// Sends what makes the server shrink `area` into a pixmap and read it back, without
// waiting for the answer. Nothing where RENDER or the pixel layout rules it out.
std::optional<ReducedAsk> askReduced(xcb_connection_t *c, const QRect &area, int divisor)
{
    if (divisor < 1)
        return std::nullopt;
    const xcb_screen_t *root = readableRoot(c, area);
    const QSize size(area.width() / divisor, area.height() / divisor);
    if (!root || size.isEmpty())
        return std::nullopt;
    const xcb_query_extension_reply_t *render = xcb_get_extension_data(c, &xcb_render_id);
    if (!render || !render->present)
        return std::nullopt;
    const xcb_render_pictformat_t format = rootFormat(c, root->root_visual);
    if (format == XCB_NONE)
        return std::nullopt;

    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(
        c, root->root_depth, pixmap, root->root, uint16_t(size.width()), uint16_t(size.height()));
    // What the screen shows, windows included, sampled between the middle pixels of each
    // divisor-wide block.
    const xcb_render_picture_t screen = xcb_generate_id(c);
    const uint32_t inferiors = XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS;
    xcb_render_create_picture(
        c, screen, root->root, format, XCB_RENDER_CP_SUBWINDOW_MODE, &inferiors);
    const auto fixed = [](int value) { return xcb_render_fixed_t(value * 65536); };
    const xcb_render_transform_t scale {
        fixed(divisor), 0, fixed(area.x()), 0, fixed(divisor), fixed(area.y()), 0, 0, fixed(1)};
    xcb_render_set_picture_transform(c, screen, scale);
    static const char bilinear[] = "bilinear";
    xcb_render_set_picture_filter(c, screen, uint16_t(std::strlen(bilinear)), bilinear, 0, nullptr);
    const xcb_render_picture_t small = xcb_generate_id(c);
    xcb_render_create_picture(c, small, pixmap, format, 0, nullptr);
    xcb_render_composite(c, XCB_RENDER_PICT_OP_SRC, screen, XCB_NONE, small, 0, 0, 0, 0, 0, 0,
        uint16_t(size.width()), uint16_t(size.height()));
    const xcb_get_image_cookie_t cookie = xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0,
        uint16_t(size.width()), uint16_t(size.height()), ~0u);
    xcb_render_free_picture(c, small);
    xcb_render_free_picture(c, screen);
    xcb_free_pixmap(c, pixmap);
    return ReducedAsk {cookie, size};
}

QImage answerOf(xcb_connection_t *c, const ReducedAsk &ask)
{
    return imageOfReply(xcb_get_image_reply(c, ask.cookie, nullptr), ask.size);
}

bool scaledScreen(const ScreenInfo &screen)
{
    return screen.screen && screen.screen->devicePixelRatio() != 1.0;
}

} // namespace

QImage grabX11AreaReduced(const QRect &area, int divisor)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return {};
    xcb_connection_t *c = x11->connection();
    const std::optional<ReducedAsk> ask = askReduced(c, area, divisor);
    return ask ? answerOf(c, *ask) : QImage();
}

QImage X11ScreenCapture::grab(const ScreenInfo &screen)
{
    // The monitor's area as the server has it now: Qt's screen may not have caught up.
    const QImage picture = scaledScreen(screen) ? QImage() : grabX11Area(screen.geometry);
    return picture.isNull() ? QtScreenCapture::grab(screen) : picture;
}

QImage X11ScreenCapture::grabReduced(const ScreenInfo &screen, int divisor)
{
    const QImage picture
        = scaledScreen(screen) ? QImage() : grabX11AreaReduced(screen.geometry, divisor);
    return picture.isNull() ? ScreenCapture::grabReduced(screen, divisor) : picture;
}

QList<QImage> X11ScreenCapture::grabReducedAll(
    const QList<ScreenInfo> &screens, int divisor, const std::function<void()> &meanwhile)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return ScreenCapture::grabReducedAll(screens, divisor, meanwhile);
    xcb_connection_t *c = x11->connection();
    // All asked before any answer is awaited: the server works through them in one go.
    std::vector<std::optional<ReducedAsk>> asks;
    asks.reserve(size_t(screens.size()));
    for (const ScreenInfo &screen : screens)
        asks.push_back(
            scaledScreen(screen) ? std::nullopt : askReduced(c, screen.geometry, divisor));
    xcb_flush(c);
    if (meanwhile)
        meanwhile();
    QList<QImage> pictures;
    pictures.reserve(screens.size());
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const std::optional<ReducedAsk> &ask = asks[size_t(i)];
        const QImage picture = ask ? answerOf(c, *ask) : QImage();
        pictures.append(
            picture.isNull() ? ScreenCapture::grabReduced(screens.at(i), divisor) : picture);
    }
    return pictures;
}
