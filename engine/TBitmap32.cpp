#include "engine/TBitmap32.h"

#include "engine/Blend.h"
#include "engine/TBitmap.h"
#include "engine/TCanvas.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

[[noreturn]] void AllocationFailed() {
    throw std::runtime_error("Can't allocate the DIB handle");
}

void RequireGuiApplication() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        throw std::runtime_error("Text output needs a running application");
}

// Nearest integer, halves to the even neighbour.
double RoundHalfEven(double V) {
    const double F = std::floor(V);
    const double D = V - F;
    if (D > 0.5)
        return F + 1;
    if (D < 0.5)
        return F;
    return std::fmod(F, 2.0) == 0 ? F : F + 1;
}

// Combines Count source pixels into Dst by Mode, with Src's MasterAlpha and
// OuterColor. dmCustom needs a handler (callers turn it into dmOpaque).
void CombineLine(const TColor32* S, TColor32* D, int Count, TDrawMode Mode, const TBitmap32& Src,
                 const TPixelCombineEvent& Handler) {
    switch (Mode) {
    case dmOpaque:
        std::memmove(D, S, std::size_t(Count) * sizeof(TColor32));
        break;
    case dmBlend:
        if (Src.MasterAlpha() >= 255)
            BlendLine(S, D, Count);
        else
            BlendLineMaster(S, D, Count, Src.MasterAlpha());
        break;
    case dmTransparent: {
        const TColor32 Key = Src.OuterColor();
        for (int I = 0; I < Count; ++I)
            if (S[I] != Key)
                D[I] = S[I];
        break;
    }
    case dmCustom: {
        const TColor32 M = Src.MasterAlpha();
        for (int I = 0; I < Count; ++I)
            Handler(S[I], D[I], M);
        break;
    }
    }
}

// The block blend of the rectangle D of Dst from Src at (SX, SY), top to bottom.
void BlockBlend(TBitmap32& Dst, const TRect& D, const TBitmap32& Src, int SX, int SY,
                TDrawMode Mode, const TPixelCombineEvent& Handler) {
    const int Count = D.Width();
    for (int Y = D.Top; Y < D.Bottom; ++Y)
        CombineLine(Src.PixelPtr(SX, SY + Y - D.Top), Dst.PixelPtr(D.Left, Y), Count, Mode, Src,
                    Handler);
}

void CheckStores(const TBitmap32* Dst, const TBitmap32* Src) {
    if (Src == nullptr)
        throw std::runtime_error("Source bitmap is nil");
    if (Dst == nullptr)
        throw std::runtime_error("Destination bitmap is nil");
}

// The source index for destination index I of a span of DstLen mapped from
// the source span [SrcLo, SrcHi).
std::vector<int> NearestMap(int DstLo, int DstLen, int ClipLo, int ClipHi, int SrcLo, int SrcHi) {
    std::vector<int> Map(std::size_t(std::max(ClipHi - ClipLo, 0)));
    if (DstLen <= 1) {
        std::fill(Map.begin(), Map.end(), (SrcLo + SrcHi - 1) / 2);
        return Map;
    }
    const float Scale = static_cast<float>(double(SrcHi - SrcLo) / double(DstLen));
    for (int I = ClipLo; I < ClipHi; ++I) {
        const double V = double(SrcLo) + double(I - DstLo) * double(Scale);
        int S = static_cast<int>(std::trunc(V));
        // Float rounding must never reach past the span.
        S = std::min(std::max(S, SrcLo), SrcHi - 1);
        Map[std::size_t(I - ClipLo)] = S;
    }
    return Map;
}

} // namespace

// ---------------------------------------------------------------------------
// TCustomMap

bool TCustomMap::SetSize(int NewWidth, int NewHeight) {
    NewWidth = std::max(NewWidth, 0);
    NewHeight = std::max(NewHeight, 0);
    if (NewWidth == FWidth && NewHeight == FHeight)
        return false;
    const int OldWidth = FWidth;
    const int OldHeight = FHeight;
    try {
        ChangeSize(FWidth, FHeight, NewWidth, NewHeight);
    } catch (...) {
        // The store is now empty: let observers see the new size before the
        // error goes on.
        if (FWidth != OldWidth || FHeight != OldHeight) {
            Changed();
            Resized();
        }
        throw;
    }
    Changed();
    Resized();
    return true;
}

void TCustomMap::Delete() {
    SetSize(0, 0);
}

bool TCustomMap::IsEmpty() const {
    return FWidth == 0 || FHeight == 0;
}

void TCustomMap::ChangeSize(int& Width, int& Height, int NewWidth, int NewHeight) {
    Width = NewWidth;
    Height = NewHeight;
}

void TCustomMap::Resized() {
    if (OnResize)
        OnResize(this);
}

// ---------------------------------------------------------------------------
// TNearestResampler

std::unique_ptr<TCustomResampler> TNearestResampler::Clone() const {
    return std::make_unique<TNearestResampler>(*this);
}

std::vector<int> TNearestResampler::ColumnMap(const TRect& DstRect, const TRect& DstClip,
                                              const TRect& SrcRect) {
    return NearestMap(DstRect.Left, DstRect.Width(), DstClip.Left, DstClip.Right, SrcRect.Left,
                      SrcRect.Right);
}

std::vector<int> TNearestResampler::RowMap(const TRect& DstRect, const TRect& DstClip,
                                           const TRect& SrcRect) {
    return NearestMap(DstRect.Top, DstRect.Height(), DstClip.Top, DstClip.Bottom, SrcRect.Top,
                      SrcRect.Bottom);
}

void TNearestResampler::Resample(TBitmap32& Dst, const TRect& DstRect, const TRect& DstClip,
                                 const TBitmap32& Src, const TRect& SrcRect, TDrawMode Mode,
                                 const TPixelCombineEvent& Handler) const {
    const std::vector<int> Columns = ColumnMap(DstRect, DstClip, SrcRect);
    const std::vector<int> Rows = RowMap(DstRect, DstClip, SrcRect);
    const int Count = DstClip.Width();
    if (Mode == dmOpaque) {
        for (int Y = DstClip.Top; Y < DstClip.Bottom; ++Y) {
            const int SY = Rows[std::size_t(Y - DstClip.Top)];
            TColor32* D = Dst.PixelPtr(DstClip.Left, Y);
            if (Y > DstClip.Top && SY == Rows[std::size_t(Y - 1 - DstClip.Top)]) {
                std::memcpy(D, Dst.PixelPtr(DstClip.Left, Y - 1), std::size_t(Count) * 4);
                continue;
            }
            const TColor32* S = Src.ScanLine(SY);
            for (int I = 0; I < Count; ++I)
                D[I] = S[Columns[std::size_t(I)]];
        }
        return;
    }
    std::vector<TColor32> Buffer(static_cast<std::size_t>(Count));
    int BufferRow = -1;
    for (int Y = DstClip.Top; Y < DstClip.Bottom; ++Y) {
        const int SY = Rows[std::size_t(Y - DstClip.Top)];
        if (SY != BufferRow) {
            const TColor32* S = Src.ScanLine(SY);
            for (int I = 0; I < Count; ++I)
                Buffer[std::size_t(I)] = S[Columns[std::size_t(I)]];
            BufferRow = SY;
        }
        CombineLine(Buffer.data(), Dst.PixelPtr(DstClip.Left, Y), Count, Mode, Src, Handler);
    }
}

// ---------------------------------------------------------------------------
// Transfers

void TransferBlock(TBitmap32* Dst, int DstX, int DstY, const TRect& DstClip, const TBitmap32* Src,
                   const TRect& SrcRect, TDrawMode Mode, const TPixelCombineEvent& Handler) {
    CheckStores(Dst, Src);
    if (Src->IsEmpty() || Dst->IsEmpty())
        return;
    if (Mode == dmBlend && Src->MasterAlpha() == 0)
        return;
    if (Mode == dmCustom && !Handler)
        Mode = dmOpaque;
    TRect Clip;
    IntersectRect(Clip, DstClip, Dst->BoundsRect());
    // A store drawn onto itself reads from a snapshot, so that overlapping
    // rectangles give the same result as two separate stores.
    TBitmap32 Snapshot;
    if (Src == Dst) {
        Snapshot.Assign(*Src);
        Src = &Snapshot;
    }
    TRect S;
    if (IntersectRect(S, SrcRect, Src->BoundsRect())) {
        TRect D = OffsetRect(S, DstX - SrcRect.Left, DstY - SrcRect.Top);
        if (IntersectRect(D, D, Clip))
            BlockBlend(*Dst, D, *Src, D.Left - DstX + SrcRect.Left, D.Top - DstY + SrcRect.Top,
                       Mode, Handler);
    }
    Dst->Changed(TRect(DstX, DstY, DstX + SrcRect.Width(), DstY + SrcRect.Height()));
}

void TransferStretched(TBitmap32* Dst, const TRect& DstRect, const TRect& DstClip,
                       const TBitmap32* Src, const TRect& SrcRect,
                       const TCustomResampler* Resampler, TDrawMode Mode,
                       const TPixelCombineEvent& Handler) {
    CheckStores(Dst, Src);
    if (Src->IsEmpty() || Dst->IsEmpty())
        return;
    if (Mode == dmBlend && Src->MasterAlpha() == 0)
        return;
    if (SrcRect.IsEmpty())
        return;
    if (SrcRect.Left < 0 || SrcRect.Top < 0 || SrcRect.Right > Src->Width() ||
        SrcRect.Bottom > Src->Height())
        throw std::runtime_error("Source rectangle is invalid");
    TRect Clip;
    if (!IntersectRect(Clip, DstClip, Dst->BoundsRect()) || !IntersectRect(Clip, Clip, DstRect))
        return;
    if (Mode == dmCustom && !Handler)
        Mode = dmOpaque;
    TBitmap32 Snapshot;
    if (Src == Dst) {
        Snapshot.Assign(*Src);
        Src = &Snapshot;
    }
    if (SrcRect.Width() == DstRect.Width() && SrcRect.Height() == DstRect.Height()) {
        BlockBlend(*Dst, Clip, *Src, SrcRect.Left + Clip.Left - DstRect.Left,
                   SrcRect.Top + Clip.Top - DstRect.Top, Mode, Handler);
    } else if (Resampler != nullptr) {
        Resampler->Resample(*Dst, DstRect, Clip, *Src, SrcRect, Mode, Handler);
    } else {
        TNearestResampler().Resample(*Dst, DstRect, Clip, *Src, SrcRect, Mode, Handler);
    }
    Dst->Changed(DstRect);
}

// ---------------------------------------------------------------------------
// TBitmap32: construction and size

TBitmap32::TBitmap32() : FResampler(std::make_unique<TNearestResampler>()) {}

TBitmap32::~TBitmap32() {
    FCanvas.reset();
    ReleasePixels();
}

void TBitmap32::ReleasePixels() {
    if (!FAdopted.empty())
        std::vector<TColor32>().swap(FAdopted);
    else
        std::free(FBits);
    FBits = nullptr;
}

bool TBitmap32::IsEmpty() const {
    return FBits == nullptr;
}

void TBitmap32::ChangeSize(int& Width, int& Height, int NewWidth, int NewHeight) {
    FCanvas.reset();
    ReleasePixels();
    const auto Fail = [&] {
        Width = 0;
        Height = 0;
        FClipRect = TRect();
        FClipping = false;
        HandleChanged();
        AllocationFailed();
    };
    if (NewWidth > 0 && NewHeight > 0) {
        const std::uint64_t Count = std::uint64_t(NewWidth) * std::uint64_t(NewHeight);
        if (Count > MaxBitmap32Pixels || Count > SIZE_MAX / sizeof(TColor32))
            Fail();
        if (FToAdopt != nullptr) {
            FAdopted = std::move(*FToAdopt);
            FBits = FAdopted.data();
        } else {
            // calloc hands out zeroed memory without touching it page by page.
            FBits = static_cast<TColor32*>(std::calloc(std::size_t(Count), sizeof(TColor32)));
            if (FBits == nullptr)
                Fail();
        }
    }
    Width = NewWidth;
    Height = NewHeight;
    FClipRect = BoundsRect();
    FClipping = false;
    HandleChanged();
}

void TBitmap32::HandleChanged() {}

void TBitmap32::SetClipRect(const TRect& R) {
    IntersectRect(FClipRect, R, BoundsRect());
    FClipping = FClipRect != BoundsRect();
}

TColor32 TBitmap32::PixelOrOuter(int X, int Y) const {
    if (!FClipRect.Contains(X, Y))
        return FOuterColor;
    return Pixel(X, Y);
}

void TBitmap32::SetDrawMode(TDrawMode Value) {
    if (Value == FDrawMode)
        return;
    FDrawMode = Value;
    Changed();
}

void TBitmap32::SetMasterAlpha(std::uint8_t Value) {
    if (Value == FMasterAlpha)
        return;
    FMasterAlpha = Value;
    Changed();
}

void TBitmap32::SetResamplerClassName(const std::string& Name) {
    if (Name == FResampler->ClassName())
        return;
    if (Name != "TNearestResampler")
        throw std::runtime_error("Unknown resampler class " + Name);
    FResampler = std::make_unique<TNearestResampler>();
    Changed();
}

// ---------------------------------------------------------------------------
// Notification

void TBitmap32::Changed() {
    Changed(BoundsRect(), AREAINFO_RECT);
}

void TBitmap32::Changed(const TRect& Area, std::uint32_t Info) {
    if (FUpdateCount == 0 && OnAreaChanged)
        OnAreaChanged(this, Area, Info);
    if (FUpdateCount == 0 && OnChange)
        OnChange(this);
}

// ---------------------------------------------------------------------------
// Filling

void TBitmap32::Clear(TColor32 Color) {
    if (IsEmpty())
        return;
    if (FClipping) {
        for (int Y = FClipRect.Top; Y < FClipRect.Bottom; ++Y)
            FillLongword(PixelPtr(FClipRect.Left, Y), FClipRect.Width(), Color);
    } else {
        FillLongword(FBits, FWidth * FHeight, Color);
    }
    Changed();
}

void TBitmap32::FillRect(int X1, int Y1, int X2, int Y2, TColor32 Value) {
    // Kept inside the pixel memory whatever the caller passes.
    TRect R;
    if (IntersectRect(R, TRect(X1, Y1, X2, Y2), BoundsRect()))
        for (int Y = R.Top; Y < R.Bottom; ++Y)
            FillLongword(PixelPtr(R.Left, Y), R.Width(), Value);
    Changed(TRect(X1, Y1, X2, Y2));
}

void TBitmap32::FillRectClipped(int X1, int Y1, int X2, int Y2, TColor32 Value) {
    TRect R;
    if (!IntersectRect(R, TRect(X1, Y1, X2, Y2), FClipRect))
        return;
    FillRect(R.Left, R.Top, R.Right, R.Bottom, Value);
}

void TBitmap32::FillRectBlended(int X1, int Y1, int X2, int Y2, TColor32 Value) {
    const unsigned A = Value >> 24;
    if (A == 255) {
        FillRectClipped(X1, Y1, X2, Y2, Value);
        return;
    }
    TRect R;
    if (A == 0 || !IntersectRect(R, TRect(X1, Y1, X2, Y2), FClipRect))
        return;
    for (int Y = R.Top; Y < R.Bottom; ++Y) {
        TColor32* P = PixelPtr(R.Left, Y);
        for (int X = 0; X < R.Width(); ++X)
            P[X] = BlendPixel(Value, P[X], A);
    }
    Changed(R);
}

void TBitmap32::BlendOnePixel(int X, int Y, TColor32 Value) {
    if (FClipRect.Contains(X, Y)) {
        TColor32& P = *PixelPtr(X, Y);
        P = BlendPixel(Value, P, Value >> 24);
    }
}

void TBitmap32::FrameRectBlended(int X1, int Y1, int X2, int Y2, TColor32 Value) {
    if (X1 >= X2 || Y1 >= Y2 || (Value >> 24) == 0 || IsEmpty())
        return;
    const int Right = X2 - 1;
    const int Bottom = Y2 - 1;
    for (int X = X1; X <= Right; ++X) {
        BlendOnePixel(X, Y1, Value);
        if (Bottom > Y1)
            BlendOnePixel(X, Bottom, Value);
    }
    for (int Y = Y1 + 1; Y < Bottom; ++Y) {
        BlendOnePixel(X1, Y, Value);
        if (Right > X1)
            BlendOnePixel(Right, Y, Value);
    }
    Changed(TRect(X1, Y1, X2, Y2));
}

TColor32 TBitmap32::NextDashColor() {
    const int L = int(FDashPattern.size());
    TColor32 Result = 0xFF000000u;
    if (L > 0) {
        if (!std::isfinite(FDashCounter))
            FDashCounter = 0;
        if (FDashCounter >= float(L) || FDashCounter < 0)
            FDashCounter = std::fmod(FDashCounter, float(L));
        while (FDashCounter < 0)
            FDashCounter += float(L);
        while (FDashCounter >= float(L))
            FDashCounter -= float(L);
        const double C = FDashCounter;
        int I = int(RoundHalfEven(C - 0.5));
        I = std::min(std::max(I, 0), L - 1);
        const int P = 255 - int(RoundHalfEven(255.0 * (C - I)));
        const TColor32 First = FDashPattern[std::size_t(I)];
        Result = P == 255 ? First
                          : BlendPixel(First, FDashPattern[std::size_t((I + 1) % L)],
                                       unsigned(std::min(std::max(P, 0), 255)));
    }
    FDashCounter += FDashStep;
    return Result;
}

void TBitmap32::FrameRectDashed(int X1, int Y1, int X2, int Y2) {
    if (X1 >= X2 || Y1 >= Y2 || X1 >= FWidth || Y1 >= FHeight || X2 <= 0 || Y2 <= 0 || IsEmpty())
        return;
    const int R = X2 - 1;
    const int B = Y2 - 1;
    const auto Dash = [this](int X, int Y) {
        const TColor32 C = NextDashColor();
        BlendOnePixel(X, Y, C);
    };
    if (X1 == R && Y1 == B) {
        Dash(X1, Y1);
    } else if (X1 == R) {
        for (int Y = Y1; Y <= B; ++Y)
            Dash(X1, Y);
    } else if (Y1 == B) {
        for (int X = X1; X <= R; ++X)
            Dash(X, Y1);
    } else {
        for (int X = X1; X <= R - 1; ++X)
            Dash(X, Y1);
        for (int Y = Y1; Y <= B - 1; ++Y)
            Dash(R, Y);
        for (int X = R; X >= X1 + 1; --X)
            Dash(X, B);
        for (int Y = B; Y >= Y1 + 1; --Y)
            Dash(X1, Y);
    }
    Changed(TRect(X1, Y1, X2, Y2));
}

// ---------------------------------------------------------------------------
// Transfers of this store

void TBitmap32::DrawOnto(TBitmap32* Dst, int X, int Y) {
    if (Dst == nullptr)
        throw std::runtime_error("Destination bitmap is nil");
    TransferBlock(Dst, X, Y, Dst->ClipRect(), this, BoundsRect(), FDrawMode, OnPixelCombine);
}

void TBitmap32::StretchOnto(TBitmap32* Dst, const TRect& DstRect) {
    if (Dst == nullptr)
        throw std::runtime_error("Destination bitmap is nil");
    TransferStretched(Dst, DstRect, Dst->ClipRect(), this, BoundsRect(), FResampler.get(),
                      FDrawMode, OnPixelCombine);
}

// ---------------------------------------------------------------------------
// Conversion

namespace {

// Runs Body between BeginUpdate and EndUpdate, then one Changed.
template <typename F> void AssignFrame(TBitmap32& Target, F Body) {
    Target.BeginUpdate();
    try {
        Body();
    } catch (...) {
        Target.EndUpdate();
        throw;
    }
    Target.EndUpdate();
    Target.Changed();
}

} // namespace

void TBitmap32::Assign(std::nullptr_t) {
    AssignFrame(*this, [this] { SetSize(0, 0); });
}

void TBitmap32::Assign(const TBitmap32& Source) {
    if (&Source == this) {
        AssignFrame(*this, [] {});
        return;
    }
    AssignFrame(*this, [&] {
        SetSize(Source.Width(), Source.Height());
        Source.CopyMapTo(*this);
        Source.CopyPropertiesTo(*this);
    });
}

void TBitmap32::CopyMapTo(TBitmap32& Dst) const {
    if (!IsEmpty() && Dst.Width() == FWidth && Dst.Height() == FHeight)
        std::memcpy(Dst.FBits, FBits, std::size_t(FWidth) * std::size_t(FHeight) * 4);
}

void TBitmap32::CopyPropertiesTo(TBitmap32& Dst) const {
    Dst.FDrawMode = FDrawMode;
    Dst.FMasterAlpha = FMasterAlpha;
    Dst.FOuterColor = FOuterColor;
    Dst.FResampler = FResampler->Clone();
    Dst.FFont = FFont;
}

void TBitmap32::Assign(const TBitmap& Source) {
    AssignFrame(*this, [&] {
        SetSize(Source.Width(), Source.Height());
        if (!IsEmpty()) {
            for (int Y = 0; Y < FHeight; ++Y) {
                const std::uint8_t* S = Source.ScanLine(Y);
                TColor32* D = ScanLine(Y);
                if (Source.PixelFormat() == pf32bit) {
                    std::memcpy(D, S, std::size_t(FWidth) * 4);
                } else {
                    for (int X = 0; X < FWidth; ++X, S += 3)
                        D[X] = 0xFF000000u | (TColor32(S[2]) << 16) | (TColor32(S[1]) << 8) |
                               TColor32(S[0]);
                }
            }
            if (Source.Transparent) {
                const TColor32 Key = ColorToColor32(Source.TransparentColor) & 0x00FFFFFFu;
                TColor32* P = FBits;
                const std::size_t N = std::size_t(FWidth) * std::size_t(FHeight);
                for (std::size_t I = 0; I < N; ++I)
                    if ((P[I] & 0x00FFFFFFu) == Key)
                        P[I] &= 0x00FFFFFFu;
            }
        }
        FFont = Source.Font();
    });
}

void TBitmap32::Assign(const QImage& Picture) {
    AssignFrame(*this, [&] {
        SetSize(Picture.width(), Picture.height());
        if (IsEmpty())
            return;
        const QImage Image = Picture.format() == QImage::Format_ARGB32
                                 ? Picture
                                 : Picture.convertToFormat(QImage::Format_ARGB32);
        if (Image.isNull())
            AllocationFailed();
        for (int Y = 0; Y < FHeight; ++Y)
            BlendLine(reinterpret_cast<const TColor32*>(Image.constScanLine(Y)), ScanLine(Y),
                      FWidth);
        MakeOpaque();
    });
}

void TBitmap32::AssignTo(TBitmap& Dest) const {
    Dest.SetSize(0, 0);
    Dest.SetPixelFormat(pf32bit);
    Dest.SetSize(FWidth, FHeight);
    if (!IsEmpty())
        for (int Y = 0; Y < FHeight; ++Y)
            std::memcpy(Dest.ScanLine(Y), ScanLine(Y), std::size_t(FWidth) * 4);
    Dest.Font() = FFont;
}

void TBitmap32::AdoptPixels(std::vector<TColor32>&& Pixels, int Width, int Height) {
    if (Width < 0 || Height < 0 || Pixels.size() != std::size_t(Width) * std::size_t(Height))
        throw std::invalid_argument("The pixels do not make a picture of that size");
    AssignFrame(*this, [&] {
        SetSize(0, 0);
        FToAdopt = &Pixels;
        try {
            SetSize(Width, Height);
        } catch (...) {
            FToAdopt = nullptr;
            throw;
        }
        FToAdopt = nullptr;
    });
}

void TBitmap32::MakeOpaque() {
    if (!IsEmpty()) {
        const std::size_t N = std::size_t(FWidth) * std::size_t(FHeight);
        for (std::size_t I = 0; I < N; ++I)
            FBits[I] |= 0xFF000000u;
    }
    Changed();
}

// ---------------------------------------------------------------------------
// Text

QImage TBitmap32::WrapBits() {
    if (FWidth > INT_MAX / 4)
        throw std::runtime_error("The bitmap is too wide for text output");
    return QImage(reinterpret_cast<uchar*>(FBits), FWidth, FHeight, FWidth * 4,
                  QImage::Format_ARGB32);
}

TSize TBitmap32::TextExtent(const QString& Text) const {
    RequireGuiApplication();
    const QFontMetrics Metrics(FFont.ToQFont());
    // Widths are summed in 26.6 fixed point, which wraps around above 2^25
    // pixels. A line that might come near is measured in pieces small enough
    // to be exact, the total in 64 bits.
    const std::int64_t widest = std::max({Metrics.maxWidth(), Metrics.height(), 1});
    if (widest * Text.size() >= kLongestTextLine) {
        const qsizetype piece = std::max<qsizetype>(1, kLongestTextLine / 4 / widest);
        std::int64_t width = 0;
        for (qsizetype i = 0; i < Text.size() && width < kLongestTextLine; i += piece)
            width += std::max(0, Metrics.horizontalAdvance(Text.mid(i, piece)));
        if (width >= kLongestTextLine)
            throw std::runtime_error("The text is too long to be drawn at this size.");
    }
    return TSize{Metrics.horizontalAdvance(Text), Metrics.height()};
}

void TBitmap32::TextOut(int X, int Y, const QString& Text) {
    if (IsEmpty())
        return;
    RequireGuiApplication();
    const QFont F = FFont.ToQFont();
    const TSize Extent = TextExtent(Text);
    {
        QImage Image = WrapBits();
        QPainter Painter(&Image);
        if (FClipping)
            Painter.setClipRect(FClipRect.Left, FClipRect.Top, FClipRect.Width(),
                                FClipRect.Height());
        Painter.setFont(F);
        const TColor32 C = ColorToColor32(FFont.Color);
        Painter.setPen(QColor(RedComponent(C), GreenComponent(C), BlueComponent(C)));
        Painter.drawText(X, Y + QFontMetrics(F).ascent(), Text);
    }
    Changed(TRect(X, Y, X + Extent.cx + 1, Y + Extent.cy + 1));
}

void TBitmap32::PaintText(int X, int Y, const QString& Text, int Smoothing, TColor32 Color) {
    if (IsEmpty())
        return;
    // Only whole-pixel rendering is offered; every smoothing level draws the
    // text with grey-scale anti-aliasing at its own size.
    (void)Smoothing;
    const TSize Extent = TextExtent(Text + QLatin1Char(' '));
    TBitmap32 B;
    B.SetFont(FFont);
    B.SetSize(Extent.cx, Extent.cy);
    if (B.IsEmpty())
        return;
    // White text on opaque black leaves the glyph coverage in each colour byte.
    B.Clear(0xFF000000u);
    B.Font().Color = clWhite;
    B.TextOut(0, 0, Text);
    const TColor32 Rgb = Color & 0x00FFFFFFu;
    TColor32* P = B.Bits();
    const std::size_t N = std::size_t(B.Width()) * std::size_t(B.Height());
    for (std::size_t I = 0; I < N; ++I) {
        const TColor32 Coverage = P[I] & 0xFF;
        P[I] = Coverage != 0 ? (Coverage << 24) | Rgb : 0;
    }
    B.SetDrawMode(dmBlend);
    B.SetMasterAlpha(std::uint8_t(Color >> 24));
    B.DrawOnto(this, X, Y);
}

TCanvas& TBitmap32::Canvas() {
    if (!FCanvas)
        FCanvas = std::make_unique<TCanvas>(*this);
    return *FCanvas;
}

// ---------------------------------------------------------------------------
// Mirrors and quarter turns

void TBitmap32::FlipHorizontal() {
    for (int Y = 0; Y < FHeight && FBits; ++Y)
        std::reverse(ScanLine(Y), ScanLine(Y) + FWidth);
    Changed();
}

void TBitmap32::FlipVertical() {
    if (!IsEmpty()) {
        std::vector<TColor32> Row(static_cast<std::size_t>(FWidth));
        for (int Top = 0, Bottom = FHeight - 1; Top < Bottom; ++Top, --Bottom) {
            std::memcpy(Row.data(), ScanLine(Top), std::size_t(FWidth) * 4);
            std::memcpy(ScanLine(Top), ScanLine(Bottom), std::size_t(FWidth) * 4);
            std::memcpy(ScanLine(Bottom), Row.data(), std::size_t(FWidth) * 4);
        }
    }
    Changed();
}

void TBitmap32::Rotate180() {
    if (!IsEmpty())
        std::reverse(FBits, FBits + std::size_t(FWidth) * std::size_t(FHeight));
    Changed();
}

void TBitmap32::Rotate90() {
    QuarterTurn(true);
}

void TBitmap32::Rotate270() {
    QuarterTurn(false);
}

void TBitmap32::QuarterTurn(bool Clockwise) {
    const int W = FWidth;
    const int H = FHeight;
    std::vector<TColor32> Turned;
    if (!IsEmpty()) {
        try {
            Turned.resize(std::size_t(W) * std::size_t(H));
        } catch (const std::bad_alloc&) {
            AllocationFailed();
        }
        // Clockwise (x, y) goes to (H - 1 - y, x), anticlockwise to (y, W - 1 - x),
        // in a store H wide.
        for (int Y = 0; Y < H; ++Y) {
            const TColor32* S = ScanLine(Y);
            for (int X = 0; X < W; ++X) {
                const std::size_t row = std::size_t(Clockwise ? X : W - 1 - X);
                const std::size_t col = std::size_t(Clockwise ? H - 1 - Y : Y);
                Turned[row * std::size_t(H) + col] = S[X];
            }
        }
    }
    SetSize(H, W);
    if (!Turned.empty() && !IsEmpty())
        std::memcpy(FBits, Turned.data(), Turned.size() * 4);
}

namespace {
TBitmap32::TFileLoader gFileLoader = nullptr;
}

void TBitmap32::SetFileLoader(TFileLoader Loader) {
    gFileLoader = Loader;
}

void TBitmap32::LoadFromFile(const std::string& FileName) {
    if (!gFileLoader)
        throw std::runtime_error("No picture loader is available for \"" + FileName + "\".");
    gFileLoader(*this, FileName);
}
