// Input for a KWin started virtual, which has no devices of its own, through KWin's fake
// input. Reads lines from stdin, answers "ok" after each: "click X Y" (layout
// coordinates), "type TEXT" (lowercase letters and spaces), "escape".
#include "fake-input-client.h"

#include <cstdio>
#include <cstring>
#include <linux/input-event-codes.h>
#include <wayland-client.h>

namespace {

void global(void *data, wl_registry *registry, uint32_t id, const char *interface, uint32_t)
{
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        *static_cast<org_kde_kwin_fake_input **>(data) = static_cast<org_kde_kwin_fake_input *>(
            wl_registry_bind(registry, id, &org_kde_kwin_fake_input_interface, 4));
}

const wl_registry_listener registryListener = {global, [](void *, wl_registry *, uint32_t) {}};

// Evdev codes follow the rows of a US keyboard.
int keyCode(char c)
{
    static const struct
    {
        const char *row;
        int first;
    } rows[] = {{"qwertyuiop", KEY_Q}, {"asdfghjkl", KEY_A}, {"zxcvbnm", KEY_Z}};
    if (c == ' ')
        return KEY_SPACE;
    for (const auto &row : rows) {
        if (const char *at = std::strchr(row.row, c); at && c)
            return row.first + int(at - row.row);
    }
    return -1;
}

void press(org_kde_kwin_fake_input *input, int code)
{
    org_kde_kwin_fake_input_keyboard_key(input, uint32_t(code), WL_KEYBOARD_KEY_STATE_PRESSED);
    org_kde_kwin_fake_input_keyboard_key(input, uint32_t(code), WL_KEYBOARD_KEY_STATE_RELEASED);
}

} // namespace

int main()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return 1;
    org_kde_kwin_fake_input *input = nullptr;
    wl_registry_add_listener(wl_display_get_registry(display), &registryListener, &input);
    wl_display_roundtrip(display);
    if (!input) {
        std::fprintf(stderr, "kwinfakeinput: no fake input protocol\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(input, "tst_kwin", "end-to-end test");
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);

    char line[256];
    while (std::fgets(line, sizeof line, stdin)) {
        unsigned x = 0, y = 0;
        if (std::sscanf(line, "click %u %u", &x, &y) == 2) {
            org_kde_kwin_fake_input_pointer_motion_absolute(
                input, wl_fixed_from_int(int(x)), wl_fixed_from_int(int(y)));
            org_kde_kwin_fake_input_button(input, BTN_LEFT, WL_POINTER_BUTTON_STATE_PRESSED);
            org_kde_kwin_fake_input_button(input, BTN_LEFT, WL_POINTER_BUTTON_STATE_RELEASED);
        } else if (std::strncmp(line, "type ", 5) == 0) {
            for (const char *c = line + 5; *c && *c != '\n'; ++c) {
                if (const int code = keyCode(*c); code >= 0)
                    press(input, code);
            }
        } else if (std::strcmp(line, "escape\n") == 0) {
            press(input, KEY_ESC);
        }
        wl_display_roundtrip(display);
        std::printf("ok\n");
        std::fflush(stdout);
    }
    org_kde_kwin_fake_input_destroy(input);
    wl_display_disconnect(display);
    return 0;
}
