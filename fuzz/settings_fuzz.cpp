// Feeds arbitrary text to the settings parser and checks that what it writes
// reads back to the same document.
#include "settings/TIniDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 16)
        return 0;
    TIniDocument doc;
    doc.Parse(std::string(reinterpret_cast<const char*>(data), size));
    const std::string text = doc.ToText();
    TIniDocument again;
    again.Parse(text);
    if (again.ToText() != text)
        std::abort();
    ParseIniInteger(std::string(reinterpret_cast<const char*>(data), size < 24 ? size : 24));
    return 0;
}
