// Picture loading and fitting: every picture that enters the program from a
// file comes through here, as a 32-bit pixel store or as a 24-bit RGB bitmap.
#pragma once

#include "engine/TBitmap.h"
#include "engine/TBitmap32.h"
#include "engine/TColor32.h"

#include <cstdint>
#include <string>

// Loads a file into a pixel store at the picture's own size. PNG transparency is
// kept; pictures that are drawn (JPEG, GIF, icons, metafiles) are composed onto
// white; bitmaps of 32 bits keep their alpha, others become opaque. False, with
// no message, for a missing, unknown, unreadable or damaged file, and for
// anything but a regular file (a folder, a pipe, a device), which is not opened.
// Why, when given, receives the reason of a failure.
bool LoadPictureToBitmap32(const std::string& FileName, TBitmap32& Dest,
                           std::string* Why = nullptr);

// Loads a file into an RGB bitmap at the picture's own size, without
// transparency: drawn formats (PNG included) are composed onto white and come
// out at 24 bits; bitmap formats keep the codec's depth (32 bits with alpha).
bool LoadPictureToBitmap(const std::string& FileName, TBitmap& Dest, std::string* Why = nullptr);

// LoadPictureToBitmap for a picture about to be fitted into Width x Height by
// FitType: a JPEG that the fit will shrink is decoded at the largest reduced
// scale whose result still covers the fitted size. OwnWidth and OwnHeight
// receive the picture's own (upright) size, from which the fit's geometry is
// computed; FitPictureFrom takes them.
bool LoadPictureForFit(const std::string& FileName, TBitmap& Dest, std::int32_t Width,
                       std::int32_t Height, std::int32_t FitType, int& OwnWidth, int& OwnHeight,
                       std::string* Why = nullptr);

// LoadPictureForFit for a thumbnail, where speed counts for more than
// exactness: a JPEG may come from the thumbnail embedded in its EXIF block, or,
// progressive and read at 1/8, from its DC scans alone (TDecodeOptions::
// ThumbnailNeeds). Never for the pictures of a merge.
bool LoadPictureForThumbnail(const std::string& FileName, TBitmap& Dest, std::int32_t Width,
                             std::int32_t Height, std::int32_t FitType, int& OwnWidth,
                             int& OwnHeight, std::string* Why = nullptr);

// The reduced JPEG scale (1, 2, 4 or 8) for a picture of OwnWidth x OwnHeight
// fitted into Width x Height by FitType: the largest whose result is at least
// the fitted size; 1 when the fit would enlarge, fail or not run.
int JpegScaleForFit(int OwnWidth, int OwnHeight, std::int32_t Width, std::int32_t Height,
                    std::int32_t FitType);

// True when the file's first four bytes are the PNG signature. Raises an error
// when the file is not a regular file, cannot be opened or holds fewer than four
// bytes.
bool IsPngFile(const std::string& FileName);

// Decodes a PNG file into Dest keeping its transparency: one transparent colour
// becomes alpha 0 on exactly its pixels; an alpha channel (grey or RGB with
// alpha) gives each pixel its own alpha, colours unblended; translucent palette
// entries leave the picture opaque. Raises an error when the file cannot be
// opened or decoded.
void ReadPngTransparent(const std::string& FileName, TBitmap32& Dest);

// An opaque pixel of a form colour without resolving system colours: red from
// bits 0..7, green 8..15, blue 16..23; the top byte is ignored.
TColor32 WinColorToColor32(TColor C);

// Decodes a file by its extension into Dest: bitmaps as they are (32 bits with
// their alpha, others opaque); drawn pictures over Dest's current pixels (black
// after a change of size), opaque; icons and metafiles opaque where they are
// opaque and transparent elsewhere. Unlike the loaders it raises an error, with the
// reason, when the file cannot be read.
void LoadBitmap32FromFile(TBitmap32& Dest, const std::string& FileName);

// Lets TBitmap32::LoadFromFile decode files through LoadBitmap32FromFile.
void InstallPictureFileLoader();

// Fits Picture in place to exactly Width x Height. FitType 0, -1 and -2 stretch;
// 1 and above scale with the aspect ratio kept and centre the result on
// FillColor; -3 and below leave the picture as it is. True when the fit ran to
// its end; false (never an exception) when it could not, the picture then keeping
// its size and contents, at 24 bits if the resampling had begun.
bool FitPicture(TBitmap& Picture, std::int32_t Width, std::int32_t Height, std::int32_t FitType,
                TColor FillColor);

// FitPicture for a picture loaded at a reduced size: the scaled size and the
// offsets come from its own size OwnWidth x OwnHeight, so the layout is that of
// the full picture; only the pixels are resampled from the smaller one.
bool FitPictureFrom(TBitmap& Picture, int OwnWidth, int OwnHeight, std::int32_t Width,
                    std::int32_t Height, std::int32_t FitType, TColor FillColor);

// Resamples Source into Dest at Dest's size with the 16.16 fixed-point bilinear
// filter. Both become 24-bit. Raises an error when either has no pixels.
void ResampleBilinear(TBitmap& Source, TBitmap& Dest);

// a * b / c with a 64-bit intermediate, rounded to the nearest integer with
// halves away from zero; -1 when c is 0.
std::int64_t MulDiv(std::int64_t a, std::int64_t b, std::int64_t c);

// The size a kept-ratio fit scales a SourceWidth x SourceHeight picture to inside
// Width x Height, computed in extended precision (64-bit significand, each step
// rounded to nearest) and truncated, with the same results on every compiler.
// A computed side beyond the 32-bit range (only negative sides lead there) is
// INT32_MIN. Raises an error on a zero side.
struct TFitSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};
TFitSize KeptRatioSize(std::int32_t SourceWidth, std::int32_t SourceHeight, std::int32_t Width,
                       std::int32_t Height);

// The size that fitting an OwnWidth x OwnHeight picture into Width x Height by
// FitType gives the picture itself, the fill around it left out: the cell when
// it is stretched, the kept-ratio size otherwise. 0 x 0 when the fit leaves the
// picture as it is or would fail.
TFitSize FittedSize(int OwnWidth, int OwnHeight, std::int32_t Width, std::int32_t Height,
                    std::int32_t FitType);
