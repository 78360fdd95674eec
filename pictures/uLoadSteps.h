// The steps that the picture loaders and the prefetcher share: handing decoded
// pixels to a bitmap or a pixel store without copying them, and turning the
// errors of a load into its reason.
#pragma once

#include "codecs/TDecodedPicture.h"
#include "engine/TBitmap.h"
#include "engine/TBitmap32.h"

#include <cstdint>
#include <functional>
#include <string>

class TBudgetClaim;
struct TDecodeOptions;

// A pixel of straight alpha composed onto white, opaque; each channel rounded
// to nearest.
TColor32 ComposeOntoWhite(std::uint32_t Pixel);

// The depth at which a decoded picture enters an RGB bitmap.
enum class TBitmapDepth {
    // As LoadPictureToBitmap gives it: bitmap formats with alpha at 32 bits,
    // alpha kept; every other picture at 24 bits, drawn ones composed onto white.
    Codec,
    // Always 24 bits: the alpha of bitmap formats dropped as the fitting drops
    // it when it turns a picture to 24 bits, drawn pictures composed onto white.
    Rgb24,
};

// Dest takes Picture's size and pixels at Depth. The pixels are converted where
// they are and Dest keeps their memory (a 24-bit bitmap so keeps four bytes per
// pixel, of which it uses three): the picture is never held twice. Picture is
// left without pixels.
void MoveToBitmap(TDecodedPicture& Picture, TBitmap& Dest, TBitmapDepth Depth);

// Dest takes Picture's size and pixels the way the loaders copy a picture into
// a pixel store: drawn pictures composed onto white, bitmaps of 32 bits with
// their alpha, other bitmaps opaque. Converted in place and adopted, as above.
void MoveToBitmap32(TDecodedPicture& Picture, TBitmap32& Dest);

// Dest takes a PNG picture decoded by the PNG codec with its transparency: the
// colours opaque, then one transparent colour cleared on exactly its pixels, or
// the alpha of an alpha channel (colour types 4 and 6) kept; translucent palette
// entries leave it opaque. In place and adopted, as above.
void MovePngToBitmap32(TDecodedPicture& Png, TBitmap32& Dest);

// A file decoded into Dest as LoadPictureToBitmap32 loads it, with the memory
// added to Claim; raises the codecs' errors.
void DecodeFileToBitmap32(const std::string& FileName, TBitmap32& Dest, TBudgetClaim& Claim);

// Runs Load after making sure that FileName is a regular file (a pipe would keep
// the load waiting). True when Load ran through; any error makes it false with
// its reason in Why (when given), except EClaimMustWait, which goes on to the
// RunWithClaim around the load.
bool TryLoadPicture(const std::string& FileName, std::string* Why,
                    const std::function<void()>& Load);

// Sets Options for a picture about to be fitted into Width x Height by FitType:
// a JPEG is read at the reduced scale JpegScaleForFit gives; for a thumbnail
// (ForThumbnail) it may also come from its embedded thumbnail or its DC scans,
// as long as they cover the fitted size (TDecodeOptions::ThumbnailNeeds).
void DecodeForFit(TDecodeOptions& Options, int Width, int Height, int FitType, bool ForThumbnail);

// The memory that fitting a picture into Width x Height takes besides the
// picture: the scaled picture and the result at 24 bits, and the pixel store
// that the prefetcher makes of the result.
std::uint64_t FitWorkBytes(int Width, int Height);
