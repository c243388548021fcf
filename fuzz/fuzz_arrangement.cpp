// Feeds arbitrary bytes to the arrangement decoder. Whatever decodes must encode and
// decode again to the same widgets.
#include "widgetjson.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto widgets = WidgetJson::decodeArrangement(bytes);
    if (!widgets)
        return 0;
    const auto encoded = WidgetJson::encodeArrangement(*widgets);
    if (!encoded)
        std::abort();
    const auto again = WidgetJson::decodeArrangement(*encoded);
    if (!again || *again != *widgets)
        std::abort();
    return 0;
}
