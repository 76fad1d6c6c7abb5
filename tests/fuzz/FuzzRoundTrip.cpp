// Formatted text parses again and formats to the same text and counts; FormatJSON agrees.
#include "core/OutlineBuilder.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TOutline outline;
    TJSONCounts counts;
    const std::string formatted(BuildOutline(text, outline, counts));
    TJSONCounts plainCounts;
    if (FormatJSON(text, plainCounts) != formatted || !(plainCounts == counts))
        std::abort();
    if (formatted.empty())
        return 0;
    TJSONCounts again;
    if (FormatJSON(formatted, again) != formatted || !(again == counts))
        std::abort();
    return 0;
}
