// TIFF reader (libtiff): the first page of any TIFF that libtiff's RGBA interface
// understands (bilevel and fax-coded, grey, palette, RGB, CMYK, YCbCr, 16-bit),
// with its orientation tag applied.
#pragma once

#include "codecs/TDecodedPicture.h"
#include "codecs/uCodecCommon.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The picture is a bitmap; HasAlpha when the file has an alpha sample. Alpha is
// delivered straight; as libtiff premultiplies it, colours of translucent pixels
// may be off by one and fully transparent pixels come out black.
TDecodedPicture DecodeTiff(const std::uint8_t* data, std::size_t size,
                           const TDecodeOptions& options = {});
TDecodedPicture DecodeTiffFile(const std::string& path, const TDecodeOptions& options = {});

// True when the data starts with a little- or big-endian TIFF header.
bool HasTiffSignature(const std::uint8_t* data, std::size_t size);
