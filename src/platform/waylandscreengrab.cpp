#include "waylandscreengrab.h"

#include "wayland-wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-output-client.h"

#include <QList>
#include <cstring>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {

struct Output
{
    wl_output *output = nullptr;
    zxdg_output_v1 *xdgOutput = nullptr;
    QString name;
};

struct Globals
{
    wl_shm *shm = nullptr;
    zwlr_screencopy_manager_v1 *screencopy = nullptr;
    zxdg_output_manager_v1 *xdgOutputs = nullptr;
    QList<Output *> outputs;

    ~Globals()
    {
        for (Output *output : std::as_const(outputs)) {
            if (output->xdgOutput)
                zxdg_output_v1_destroy(output->xdgOutput);
            wl_output_destroy(output->output);
            delete output;
        }
        if (xdgOutputs)
            zxdg_output_manager_v1_destroy(xdgOutputs);
        if (screencopy)
            zwlr_screencopy_manager_v1_destroy(screencopy);
        if (shm)
            wl_shm_destroy(shm);
    }
};

const zxdg_output_v1_listener xdgOutputListener = {
    .logical_position = [](void *, zxdg_output_v1 *, int32_t, int32_t) {},
    .logical_size = [](void *, zxdg_output_v1 *, int32_t, int32_t) {},
    .done = [](void *, zxdg_output_v1 *) {},
    .name = [](void *data, zxdg_output_v1 *,
                const char *name) { static_cast<Output *>(data)->name = QString::fromUtf8(name); },
    .description = [](void *, zxdg_output_v1 *, const char *) {},
};

void global(void *data, wl_registry *registry, uint32_t id, const char *interface, uint32_t version)
{
    auto *globals = static_cast<Globals *>(data);
    if (std::strcmp(interface, wl_shm_interface.name) == 0) {
        globals->shm = static_cast<wl_shm *>(wl_registry_bind(registry, id, &wl_shm_interface, 1));
    } else if (std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) == 0) {
        globals->screencopy = static_cast<zwlr_screencopy_manager_v1 *>(
            wl_registry_bind(registry, id, &zwlr_screencopy_manager_v1_interface, 1));
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0 && version >= 2) {
        // From version 2 on it tells each output's name, which is what a screen is known by.
        globals->xdgOutputs = static_cast<zxdg_output_manager_v1 *>(
            wl_registry_bind(registry, id, &zxdg_output_manager_v1_interface, 2));
    } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
        auto *output = new Output;
        output->output
            = static_cast<wl_output *>(wl_registry_bind(registry, id, &wl_output_interface, 1));
        globals->outputs.append(output);
    }
}

const wl_registry_listener registryListener = {
    .global = global,
    .global_remove = [](void *, wl_registry *, uint32_t) {},
};

struct Frame
{
    uint32_t format = 0;
    int width = 0, height = 0, stride = 0;
    bool offered = false, yInverted = false, ready = false, failed = false;
};

void frameBuffer(void *data, zwlr_screencopy_frame_v1 *, uint32_t format, uint32_t width,
    uint32_t height, uint32_t stride)
{
    auto *frame = static_cast<Frame *>(data);
    frame->format = format;
    frame->width = int(width);
    frame->height = int(height);
    frame->stride = int(stride);
    frame->offered = true;
}

const zwlr_screencopy_frame_v1_listener frameListener = {
    .buffer = frameBuffer,
    .flags =
        [](void *data, zwlr_screencopy_frame_v1 *, uint32_t flags) {
            static_cast<Frame *>(data)->yInverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
        },
    .ready = [](void *data, zwlr_screencopy_frame_v1 *, uint32_t, uint32_t,
                 uint32_t) { static_cast<Frame *>(data)->ready = true; },
    .failed
    = [](void *data, zwlr_screencopy_frame_v1 *) { static_cast<Frame *>(data)->failed = true; },
    .damage = nullptr,
    .linux_dmabuf = nullptr,
    .buffer_done = nullptr,
};

QImage::Format imageFormat(uint32_t format)
{
    switch (format) {
    case WL_SHM_FORMAT_XRGB8888:
        return QImage::Format_RGB32;
    case WL_SHM_FORMAT_ARGB8888:
        // The desktop is opaque; its alpha says nothing worth blending.
        return QImage::Format_RGB32;
    case WL_SHM_FORMAT_XBGR8888:
        return QImage::Format_RGBX8888;
    case WL_SHM_FORMAT_ABGR8888:
        return QImage::Format_RGBX8888;
    default:
        return QImage::Format_Invalid;
    }
}

QImage copyOutput(wl_display *display, Globals &globals, wl_output *output)
{
    zwlr_screencopy_frame_v1 *handle
        = zwlr_screencopy_manager_v1_capture_output(globals.screencopy, 0, output);
    std::unique_ptr<zwlr_screencopy_frame_v1, void (*)(zwlr_screencopy_frame_v1 *)> frameHandle(
        handle, zwlr_screencopy_frame_v1_destroy);
    Frame frame;
    zwlr_screencopy_frame_v1_add_listener(handle, &frameListener, &frame);
    // Version 1 offers one shm buffer and then waits for a copy request.
    while (!frame.offered && !frame.failed) {
        if (wl_display_dispatch(display) < 0)
            return {};
    }
    const QImage::Format format = imageFormat(frame.format);
    if (frame.failed || format == QImage::Format_Invalid || frame.width <= 0 || frame.height <= 0
        || frame.stride < frame.width * 4)
        return {};

    const size_t size = size_t(frame.stride) * size_t(frame.height);
    const int fd = memfd_create("corvina-backdrop", MFD_CLOEXEC);
    if (fd < 0)
        return {};
    if (ftruncate(fd, off_t(size)) < 0) {
        close(fd);
        return {};
    }
    void *pixels = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED) {
        close(fd);
        return {};
    }
    wl_shm_pool *pool = wl_shm_create_pool(globals.shm, fd, int32_t(size));
    wl_buffer *buffer
        = wl_shm_pool_create_buffer(pool, 0, frame.width, frame.height, frame.stride, frame.format);
    wl_shm_pool_destroy(pool);
    close(fd);

    zwlr_screencopy_frame_v1_copy(handle, buffer);
    while (!frame.ready && !frame.failed) {
        if (wl_display_dispatch(display) < 0)
            break;
    }
    wl_buffer_destroy(buffer);

    QImage image;
    if (frame.ready) {
        // The image owns the mapping: no copy of a screen's worth of pixels.
        image = QImage(
            static_cast<const uchar *>(pixels), frame.width, frame.height, frame.stride, format,
            [](void *info) {
                auto *mapping = static_cast<std::pair<void *, size_t> *>(info);
                munmap(mapping->first, mapping->second);
                delete mapping;
            },
            new std::pair<void *, size_t>(pixels, size));
        if (frame.yInverted)
            image = image.mirrored(false, true);
    } else {
        munmap(pixels, size);
    }
    return image;
}

} // namespace

QImage grabWaylandOutput(const QString &outputName)
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return {};
    QImage image;
    {
        Globals globals;
        wl_registry *registry = wl_display_get_registry(display);
        wl_registry_add_listener(registry, &registryListener, &globals);
        // The first round trip announces the globals, the second the outputs' names.
        bool ready = wl_display_roundtrip(display) >= 0 && globals.shm && globals.screencopy
            && globals.xdgOutputs;
        if (ready) {
            for (Output *output : std::as_const(globals.outputs)) {
                output->xdgOutput
                    = zxdg_output_manager_v1_get_xdg_output(globals.xdgOutputs, output->output);
                zxdg_output_v1_add_listener(output->xdgOutput, &xdgOutputListener, output);
            }
            ready = wl_display_roundtrip(display) >= 0;
        }
        if (ready) {
            for (const Output *output : std::as_const(globals.outputs)) {
                if (output->name == outputName) {
                    image = copyOutput(display, globals, output->output);
                    break;
                }
            }
        }
        wl_registry_destroy(registry);
    }
    wl_display_disconnect(display);
    return image;
}
