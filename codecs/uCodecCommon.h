// Limits and helpers shared by the picture readers.
#pragma once

#include "codecs/TDecodedPicture.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Pictures are refused before any pixel memory is taken when a side exceeds
// kMaxPictureSide or the pixel count exceeds the ceiling of the options (by default
// kMaxPicturePixels, 256 Mi pixels: 1 GiB of 32-bit pixels). This stops
// decompression bombs: tiny files whose header claims an enormous picture.
constexpr int kMaxPictureSide = 1000000;
constexpr std::uint64_t kMaxPicturePixels = std::uint64_t(1) << 28;
// Files larger than this are not read into memory.
constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t(1) << 30;
// The capacity of the process's decode budget (TDecodeBudget::Process): one
// picture of the largest size, and a tenth of it for the work around it (the
// file's bytes, the libraries' buffers, the fitting).
constexpr std::uint64_t kDecodeBudgetBytes = kMaxPicturePixels * 4 + kMaxPicturePixels * 4 / 10;

class TBudgetClaim;

// libjpeg's reduced-size decoding: the picture comes out at 1/n of its size.
enum class TJpegScale { Full = 1, Half = 2, Quarter = 4, Eighth = 8 };

struct TThumbnailSize {
    int Width = 0;
    int Height = 0;
};

struct TDecodeOptions {
    std::uint64_t MaxPixels = kMaxPicturePixels;
    TJpegScale JpegScale = TJpegScale::Full;
    // When set, a JPEG reader asks it for the scale once it knows the picture's
    // upright full size (after the EXIF orientation), and uses that instead of
    // JpegScale. The decoded picture's FullWidth and FullHeight keep that size.
    std::function<TJpegScale(int FullWidth, int FullHeight)> ChooseJpegScale;
    // Set only when the picture becomes a thumbnail, where speed counts for more
    // than exactness; never for the pictures of a merge. Given the picture's
    // upright full size, it answers the least upright size the thumbnail is made
    // from (no side below 1 when it cannot tell). A JPEG reader then delivers,
    // in this order of preference: the JPEG thumbnail embedded in the file's EXIF
    // block, turned by the photo's orientation, when it is at least that size and
    // has the photo's shape; for a progressive file read at 1/8, the picture as
    // its DC scans give it, with only the AC scans that show at that scale read
    // (those of chroma sampled at half the luma's) and nothing after the DC
    // refinement; else the picture as without this. FullWidth and FullHeight of
    // the result are the photo's.
    std::function<TThumbnailSize(int FullWidth, int FullHeight)> ThumbnailNeeds;
    // The claim on the decode budget that the reader adds its memory to before
    // it takes it: the file's bytes, the picture, the libraries' own buffers.
    // None: a reader claims nothing; the registry's entry points (DecodeWithCodec,
    // DecodePictureData, DecodePictureFile) then make a claim of their own on
    // the process budget for the time they decode.
    TBudgetClaim* Claim = nullptr;
};

// Adds Bytes to the options' claim, when there is one; see TBudgetClaim::Add.
void ClaimDecodeBytes(const TDecodeOptions& options, std::uint64_t bytes);

// Throws ECodecError(TooLarge) unless 1 <= width, height <= kMaxPictureSide and
// width * height <= maxPixels; throws Corrupt for a zero or negative side.
void CheckPictureSize(std::int64_t width, std::int64_t height, std::uint64_t maxPixels,
                      const char* format);

// Throws ECodecError(Corrupt) when a file of dataBytes is shorter than the
// fewest bytes (minimumBytes) in which its format could code a picture of
// width x height: a header that claims a huge picture over a few bytes of data
// is refused before any memory is taken for the picture.
void CheckDataCanFill(std::uint64_t dataBytes, std::uint64_t minimumBytes, std::int64_t width,
                      std::int64_t height, const char* format);

// Sizes the picture after checking the options' ceiling and claiming its bytes
// on the options' claim; every pixel starts as fill.
void AllocatePicture(TDecodedPicture& picture, std::int64_t width, std::int64_t height,
                     const TDecodeOptions& options, const char* format,
                     std::uint32_t fill = 0xFF000000u);

// Throws ECodecError unless the path names a regular file or a symbolic link to
// one: NotFound when nothing is there, Unreadable for anything else (a folder, a
// pipe, a socket, a device: "not a regular file") and when it cannot be looked
// at. Looks without opening, so that a pipe never keeps the caller waiting.
void CheckRegularFile(const std::string& path);

// A picture file open for reading. Refused as by CheckRegularFile before it is
// opened; on POSIX systems it is then opened without waiting and looked at
// again, so that a pipe put in its place meanwhile is refused as well, never
// waited on.
class TPictureFile {
public:
    // Throws ECodecError: NotFound or Unreadable.
    explicit TPictureFile(const std::string& path);
    ~TPictureFile();
    TPictureFile(const TPictureFile&) = delete;
    TPictureFile& operator=(const TPictureFile&) = delete;

    // The size when the file was opened.
    std::uint64_t Size() const { return FSize; }
    // Reads up to count bytes from offset into out; fewer only at the end of the
    // file. Throws ECodecError(Unreadable) on a read error.
    std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t count);

private:
    std::string FPath;
    std::uint64_t FSize = 0;
#ifdef _WIN32
    std::FILE* FFile = nullptr;
#else
    int FFd = -1;
#endif
};

// The whole file; throws NotFound, Unreadable or TooLarge. Its bytes are added
// to claim (when given) before they are read.
std::vector<std::uint8_t> ReadPictureFileBytes(const std::string& path,
                                               TBudgetClaim* claim = nullptr);

// When the picture has alpha but every pixel is fully transparent, the alpha
// carries no information (a common trait of 32-bit bitmaps): make it opaque.
void DropEmptyAlpha(TDecodedPicture& picture);

inline std::uint32_t MakeArgb(unsigned a, unsigned r, unsigned g, unsigned b) {
    return (std::uint32_t(a) << 24) | (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) |
           std::uint32_t(b);
}
