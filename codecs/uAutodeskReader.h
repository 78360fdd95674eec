// Reader for Autodesk animation cels and pictures (.cel, .pic): a 32-byte header
// (signature 0x9119, little-endian), a 256-colour palette and 8-bit pixels.
#pragma once

#include "codecs/TDecodedPicture.h"
#include "codecs/uCodecCommon.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Header: signature, width, height, x and y offset (16 bits each), bits per pixel
// (8), compression (0), data size (32 bits), 16 reserved bytes. The palette holds
// 6-bit components (0..63), scaled to 0..255; a palette with any component above
// 63 is taken as 8-bit. The picture is an opaque bitmap.
TDecodedPicture DecodeAutodesk(const std::uint8_t* data, std::size_t size,
                               const TDecodeOptions& options = {});
TDecodedPicture DecodeAutodeskFile(const std::string& path, const TDecodeOptions& options = {});
