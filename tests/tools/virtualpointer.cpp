// A pointer for a headless wlroots compositor, which has no input devices of its own.
// Reads "click X Y" lines (layout coordinates) from stdin, answers "ok" after each; the
// device lives as long as the program.
#include "wlr-virtual-pointer-client.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <linux/input-event-codes.h>
#include <wayland-client.h>

namespace {

struct Globals
{
    wl_seat *seat = nullptr;
    zwlr_virtual_pointer_manager_v1 *manager = nullptr;
};

void global(void *data, wl_registry *registry, uint32_t id, const char *interface, uint32_t)
{
    auto *globals = static_cast<Globals *>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0)
        globals->seat
            = static_cast<wl_seat *>(wl_registry_bind(registry, id, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        globals->manager = static_cast<zwlr_virtual_pointer_manager_v1 *>(
            wl_registry_bind(registry, id, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

const wl_registry_listener registryListener = {global, [](void *, wl_registry *, uint32_t) {}};

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: virtualpointer LAYOUT_WIDTH LAYOUT_HEIGHT\n");
        return 2;
    }
    const auto width = uint32_t(std::atoi(argv[1]));
    const auto height = uint32_t(std::atoi(argv[2]));
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    Globals globals;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.manager) {
        std::fprintf(stderr, "virtualpointer: no virtual pointer protocol\n");
        return 1;
    }
    zwlr_virtual_pointer_v1 *pointer
        = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.manager, globals.seat);
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);

    char line[128];
    uint32_t time = 0;
    while (std::fgets(line, sizeof line, stdin)) {
        unsigned x = 0, y = 0;
        if (std::sscanf(line, "click %u %u", &x, &y) != 2)
            continue;
        zwlr_virtual_pointer_v1_motion_absolute(pointer, time += 10, x, y, width, height);
        zwlr_virtual_pointer_v1_frame(pointer);
        zwlr_virtual_pointer_v1_button(
            pointer, time += 10, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
        zwlr_virtual_pointer_v1_frame(pointer);
        zwlr_virtual_pointer_v1_button(
            pointer, time += 10, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
        zwlr_virtual_pointer_v1_frame(pointer);
        wl_display_roundtrip(display);
        std::printf("ok\n");
        std::fflush(stdout);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_disconnect(display);
    return 0;
}
