// The reader of layered documents on arbitrary bytes: a consistent picture or
// ECodecError, nothing else.
#include "codecs/ECodecError.h"
#include "codecs/uPsdReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TDecodeOptions options;
    options.MaxPixels = 1u << 22;
    try {
        const TDecodedPicture p = DecodePsd(data, size, options);
        if (p.Pixels.size() != std::size_t(p.Width) * std::size_t(p.Height) || p.Pixels.empty())
            std::abort();
    } catch (const ECodecError&) {
    }
    return 0;
}
