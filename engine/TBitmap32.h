// The 32-bit pixel store: sizing, filling, copy and blend transfers, text,
// mirrors and quarter turns, and the change notifications.
#pragma once

#include "engine/TCanvas.h"
#include "engine/TColor32.h"
#include "engine/TFont.h"
#include "engine/TNotifiablePersistent.h"
#include "engine/TRect.h"

#include <QImage>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TBitmap;
class TBitmap32;

// The largest store: 1 Gi pixels (4 GiB of pixel memory). Larger sizes, and
// sizes whose byte count would overflow, fail like a failed allocation.
constexpr std::uint64_t MaxBitmap32Pixels = std::uint64_t(1) << 30;

// Info of a change that covers a rectangle.
constexpr std::uint32_t AREAINFO_RECT = 0x80000000u;

enum TDrawMode {
    dmOpaque,      // copy the pixels
    dmBlend,       // line blend, with MasterAlpha below 255
    dmCustom,      // OnPixelCombine for each pixel (dmOpaque without a handler)
    dmTransparent, // copy the pixels that differ from OuterColor
};

using TPixelCombineEvent = std::function<void(TColor32 F, TColor32& B, TColor32 M)>;
using TAreaChangedEvent =
    std::function<void(TBitmap32* Sender, const TRect& Area, std::uint32_t Info)>;

// The width and height of a map and the notifications of their changes.
class TCustomMap : public TThreadPersistent {
public:
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

    // Negative values become 0. Returns false (and does nothing) when the size
    // is unchanged; otherwise runs ChangeSize, Changed and Resized.
    virtual bool SetSize(int NewWidth, int NewHeight);
    bool SetWidth(int NewWidth) { return SetSize(NewWidth, FHeight); }
    bool SetHeight(int NewHeight) { return SetSize(FWidth, NewHeight); }
    // Releases everything: SetSize(0, 0).
    virtual void Delete();
    virtual bool IsEmpty() const;

    TNotifyEvent OnResize;

protected:
    // The size change proper; stores the new size in Width and Height.
    virtual void ChangeSize(int& Width, int& Height, int NewWidth, int NewHeight);
    // Fires OnResize.
    virtual void Resized();

    int FWidth = 0;
    int FHeight = 0;
};

// Performs stretched transfers.
class TCustomResampler {
public:
    virtual ~TCustomResampler() = default;
    virtual const char* ClassName() const = 0;
    virtual std::unique_ptr<TCustomResampler> Clone() const = 0;
    // Draws SrcRect of Src stretched into DstRect of Dst, limited to DstClip
    // (already inside Dst and DstRect and not empty), combining by Mode.
    virtual void Resample(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip,
                          const TBitmap32& Src, const TRect& SrcRect, TDrawMode Mode,
                          const TPixelCombineEvent& Handler) const = 0;
};

// Nearest neighbour: the source column of destination column x is
// Trunc(SrcRect.Left + (x - DstRect.Left) * ScaleX) with ScaleX = SW / DW as a
// single-precision float (the product in double); a one-column destination
// takes the middle column (SrcRect.Left + SrcRect.Right - 1) div 2. Rows alike.
class TNearestResampler : public TCustomResampler {
public:
    const char* ClassName() const override { return "TNearestResampler"; }
    std::unique_ptr<TCustomResampler> Clone() const override;
    void Resample(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip, const TBitmap32& Src,
                  const TRect& SrcRect, TDrawMode Mode,
                  const TPixelCombineEvent& Handler) const override;

    // The source column (or row) of each destination column of DstClip.
    static std::vector<int> ColumnMap(const TRect& DstRect, const TRect& DstClip,
                                      const TRect& SrcRect);
    static std::vector<int> RowMap(const TRect& DstRect, const TRect& DstClip,
                                   const TRect& SrcRect);
};

class TBitmap32 : public TCustomMap {
public:
    TBitmap32();
    ~TBitmap32() override;

    // Pixel memory: Width x Height pixels, row 0 at the top, stride Width.
    // Null while empty. No bounds checks.
    TColor32* Bits() { return FBits; }
    const TColor32* Bits() const { return FBits; }
    TColor32* ScanLine(int Y) { return FBits + std::ptrdiff_t(Y) * FWidth; }
    const TColor32* ScanLine(int Y) const { return FBits + std::ptrdiff_t(Y) * FWidth; }
    TColor32* PixelPtr(int X, int Y) { return ScanLine(Y) + X; }
    const TColor32* PixelPtr(int X, int Y) const { return ScanLine(Y) + X; }
    TColor32 Pixel(int X, int Y) const { return ScanLine(Y)[X]; }
    void SetPixel(int X, int Y, TColor32 Value) { ScanLine(Y)[X] = Value; }
    // OuterColor outside ClipRect, else the pixel.
    TColor32 PixelOrOuter(int X, int Y) const;

    bool IsEmpty() const override;
    TRect BoundsRect() const { return TRect(0, 0, FWidth, FHeight); }
    TRect ClipRect() const { return FClipRect; }
    // Stores the intersection of R with BoundsRect.
    void SetClipRect(const TRect& R);
    // True when ClipRect differs from BoundsRect.
    bool Clipping() const { return FClipping; }

    TDrawMode DrawMode() const { return FDrawMode; }
    void SetDrawMode(TDrawMode Value);
    std::uint8_t MasterAlpha() const { return FMasterAlpha; }
    void SetMasterAlpha(std::uint8_t Value);
    TColor32 OuterColor() const { return FOuterColor; }
    void SetOuterColor(TColor32 Value) { FOuterColor = Value; }

    const TCustomResampler& Resampler() const { return *FResampler; }
    std::string ResamplerClassName() const { return FResampler->ClassName(); }
    // Only "TNearestResampler" is known; other names raise an error.
    void SetResamplerClassName(const std::string& Name);

    TPixelCombineEvent OnPixelCombine;
    TAreaChangedEvent OnAreaChanged;

    // Notification: Changed() reports BoundsRect with AREAINFO_RECT.
    using TCustomMap::Changed;
    void Changed() override;
    // While the update count is 0: OnAreaChanged(Area, Info), then OnChange.
    virtual void Changed(const TRect& Area, std::uint32_t Info = AREAINFO_RECT);

    // Filling.
    void Clear(TColor32 Color = 0);
    void FillRect(int X1, int Y1, int X2, int Y2, TColor32 Value);
    void FillRectClipped(int X1, int Y1, int X2, int Y2, TColor32 Value);
    void FillRectBlended(int X1, int Y1, int X2, int Y2, TColor32 Value);
    void FrameRectBlended(int X1, int Y1, int X2, int Y2, TColor32 Value);

    // Dashed outline.
    void SetDashPattern(const std::vector<TColor32>& Colors) { FDashPattern = Colors; }
    const std::vector<TColor32>& DashPattern() const { return FDashPattern; }
    float DashStep() const { return FDashStep; }
    void SetDashStep(float Value) { FDashStep = Value; }
    float DashCounter() const { return FDashCounter; }
    void SetDashCounter(float Value) { FDashCounter = Value; }
    // The colour at the dash counter, then the counter advances by DashStep.
    TColor32 NextDashColor();
    void FrameRectDashed(int X1, int Y1, int X2, int Y2);

    // Transfers onto another store, by this store's DrawMode.
    void DrawOnto(TBitmap32* Dst, int X, int Y);
    void StretchOnto(TBitmap32* Dst, const TRect& DstRect);

    // Conversion. Each Assign runs inside BeginUpdate/EndUpdate and ends with
    // one Changed.
    void Assign(std::nullptr_t);
    // Size, pixels, DrawMode, MasterAlpha, OuterColor, resampler and Font.
    void Assign(const TBitmap32& Source);
    // A 24-bit bitmap gives opaque pixels, a 32-bit one keeps its alpha; a
    // Transparent bitmap's pixels of TransparentColor get alpha 0; the Font
    // follows the bitmap's.
    void Assign(const TBitmap& Source);
    // A decoded picture (any format): drawn with its own alpha over the current
    // pixels after the size change, then made opaque.
    void Assign(const QImage& Picture);
    // The bitmap becomes 32 bits and takes Font, size and pixels (alpha kept).
    void AssignTo(TBitmap& Dest) const;
    // Takes Pixels (Width x Height of them, rows from the top) as its pixel
    // memory in place of its own, without copying them; the other properties
    // stay. Runs inside BeginUpdate/EndUpdate and ends with one Changed. Raises
    // an error, taking nothing, when Pixels does not hold Width x Height.
    void AdoptPixels(std::vector<TColor32>&& Pixels, int Width, int Height);
    void MakeOpaque();

    // Decodes a picture file by its extension into this store: drawn formats
    // composed onto white, 32-bit bitmaps with their alpha. Raises an error when
    // the file cannot be read. The decoding itself lives with the picture
    // loaders, which install it; without them this raises an error too.
    void LoadFromFile(const std::string& FileName);
    using TFileLoader = void (*)(TBitmap32& Dest, const std::string& FileName);
    static void SetFileLoader(TFileLoader Loader);

    // Text in Font.
    TFont& Font() { return FFont; }
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& Value) { FFont = Value; }
    // The size of one line of Text in Font. A line wider than kLongestTextLine
    // pixels throws: the font engine's fixed-point widths would wrap around.
    static constexpr int kLongestTextLine = 1 << 24;
    TSize TextExtent(const QString& Text) const;
    int TextWidth(const QString& Text) const { return TextExtent(Text).cx; }
    int TextHeight(const QString& Text) const { return TextExtent(Text).cy; }
    void TextOut(int X, int Y, const QString& Text);
    void PaintText(int X, int Y, const QString& Text, int Smoothing, TColor32 Color);

    // Drawing with pen and brush; made on first use, released by a size change.
    TCanvas& Canvas();
    bool HasCanvas() const { return FCanvas != nullptr; }

    // Mirrors and quarter turns, in place.
    void FlipHorizontal();
    void FlipVertical();
    void Rotate90();
    void Rotate180();
    void Rotate270();

protected:
    void ChangeSize(int& Width, int& Height, int NewWidth, int NewHeight) override;
    // Copies of the pixels and of the properties into another store.
    virtual void CopyMapTo(TBitmap32& Dst) const;
    virtual void CopyPropertiesTo(TBitmap32& Dst) const;
    // Runs after the pixel memory has been made or released.
    virtual void HandleChanged();

private:
    // A quarter turn in place, clockwise (Rotate90) or anticlockwise (Rotate270).
    void QuarterTurn(bool Clockwise);
    void ReleasePixels();
    // A QImage of Format_ARGB32 over Bits, without copying.
    QImage WrapBits();
    void BlendOnePixel(int X, int Y, TColor32 Value);

    TColor32* FBits = nullptr;
    // The memory of FBits when it came from AdoptPixels, else empty (calloc's).
    std::vector<TColor32> FAdopted;
    // What the next size change takes instead of fresh memory (AdoptPixels).
    std::vector<TColor32>* FToAdopt = nullptr;
    TRect FClipRect;
    bool FClipping = false;
    TDrawMode FDrawMode = dmOpaque;
    std::uint8_t FMasterAlpha = 255;
    TColor32 FOuterColor = 0;
    std::unique_ptr<TCustomResampler> FResampler;
    TFont FFont;
    std::unique_ptr<TCanvas> FCanvas;
    std::vector<TColor32> FDashPattern;
    float FDashStep = 1.0f;
    float FDashCounter = 0.0f;
};

// Copies (or blends, by Mode) SrcRect of Src onto Dst with its top-left corner
// at (DstX, DstY), limited to DstClip. Raises "Source bitmap is nil" or
// "Destination bitmap is nil". Does nothing when either store is empty or when
// Mode is dmBlend and Src's MasterAlpha is 0; otherwise ends with Dst.Changed
// for the SrcRect-sized rectangle at (DstX, DstY).
void TransferBlock(TBitmap32* Dst, int DstX, int DstY, const TRect& DstClip, const TBitmap32* Src,
                   const TRect& SrcRect, TDrawMode Mode, const TPixelCombineEvent& Handler = {});

// Draws SrcRect of Src stretched into DstRect of Dst, limited to DstClip, by
// the resampler (the nearest-neighbour one when Resampler is null). Raises the
// nil errors and "Source rectangle is invalid" for a non-empty SrcRect that
// leaves Src. Ends with Dst.Changed(DstRect) when anything was drawn.
void TransferStretched(TBitmap32* Dst, const TRect& DstRect, const TRect& DstClip,
                       const TBitmap32* Src, const TRect& SrcRect,
                       const TCustomResampler* Resampler, TDrawMode Mode,
                       const TPixelCombineEvent& Handler = {});
