#include "main/TExplorerModel.h"

#include "CommUnit/TThumbnailLayout.h"
#include "codecs/uCodecRegistry.h"
#include "engine/TBitmap.h"
#include "pictures/uPicLib.h"

#include <QDir>
#include <QFileInfo>
#include <QRunnable>
#include <QThread>

#include <algorithm>
#include <stdexcept>

const char* const kExplorerFileMask =
    "*.png;*.png;*.psp;*.cut;*.gif;*.pcd;*.pic;*.cel;*.pbm;*.pgm;*.ppm;*.pdd;*.psd;*.bw;*.rgb;"
    "*.rgba;*.sgi;*.rla;*.rpf;*.scr;*.pcc;*.pcx;*.eps;*.fax;*.tif;*.tiff;*.icb;*.tga;*.vda;*.vst;"
    "*.win;*.dib;*.rle;*.jpeg;*.jpe;*.jpg;*.jfif;*.emf;*.wmf;*.ico;*.bmp;*.pcx;*.ani;*.jpg;*.jpeg;"
    "*.bmp;*.ico;*.emf;*.wmf";

namespace {

// The fit type that keeps the aspect ratio: the reduced JPEG scale follows it.
constexpr int kKeepRatio = 1;
constexpr int kMostThreads = 4;

} // namespace

TExplorerModel::TExplorerModel(QSize Box, int Threads, QObject* Parent)
    : QObject(Parent), FBox(Box) {
    if (Threads <= 0)
        Threads = std::clamp(QThread::idealThreadCount(), 1, kMostThreads);
    FPool.setMaxThreadCount(Threads);
    // Decoding gives way to the interface thread where the platform allows.
    FPool.setThreadPriority(QThread::LowPriority);
}

TExplorerModel::~TExplorerModel() {
    FPool.clear();
    FPool.waitForDone();
}

QStringList TExplorerModel::FileMasks() {
    QStringList masks;
    for (const QString& mask : QString::fromLatin1(kExplorerFileMask).split(QLatin1Char(';')))
        if (!mask.isEmpty() && !masks.contains(mask))
            masks << mask;
    return masks;
}

QStringList TExplorerModel::ListFolder(const QString& Folder) {
    QStringList paths;
    if (Folder.isEmpty())
        return paths;
    QDir dir(Folder);
    // Masks match without regard to case, as on the platforms the program
    // came from: PHOTO.JPG is a picture as much as photo.jpg.
    dir.setNameFilters(FileMasks());
    dir.setFilter(QDir::Files | QDir::Hidden);
    dir.setSorting(QDir::Unsorted);
    for (const QFileInfo& info : dir.entryInfoList())
        paths << QDir::toNativeSeparators(info.absoluteFilePath());
    std::sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    // Each path once; on a file system that tells case apart, a.png and A.png
    // are two files and both stay.
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    return paths;
}

QImage TExplorerModel::DecodeThumbnail(const QString& File, QSize Box, QString& Why) {
    const std::string file = File.toStdString();
    const std::string extension = FileExtension(file);
    if (!extension.empty() && FindCodec(extension) == nullptr) {
        Why = QStringLiteral("Unknown picture file extension (.%1)")
                  .arg(QString::fromStdString(extension));
        return QImage();
    }
    TBitmap picture(pf24bit);
    int ownWidth = 0;
    int ownHeight = 0;
    std::string why;
    if (!LoadPictureForThumbnail(file, picture, Box.width(), Box.height(), kKeepRatio, ownWidth,
                                 ownHeight, &why)) {
        Why = QString::fromStdString(why);
        return QImage();
    }
    const QRect fit = TThumbnailLayout::FitRect(QSize(ownWidth, ownHeight), QRect(QPoint(), Box));
    if (fit.isEmpty() || picture.Empty()) {
        Why = QStringLiteral("The picture has no pixels.");
        return QImage();
    }
    const QImage& image = picture.Image();
    if (image.size() == fit.size())
        return image.copy();
    return image.scaled(fit.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void TExplorerModel::Load(const QString& Folder) {
    // Results of the folder shown before are recognised and dropped as they come.
    ++FGeneration;
    FFolder = Folder;
    FItems.clear();
    for (const QString& path : ListFolder(Folder)) {
        TItem item;
        item.Path = path;
        FItems.push_back(std::move(item));
    }
    FFirst = FLast = -1;
    emit ItemsReset();
}

void TExplorerModel::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count())
        throw std::out_of_range("Explorer item " + std::to_string(Index) + " is outside the " +
                                std::to_string(Count()) + " items.");
}

QString TExplorerModel::Path(int Index) const {
    CheckIndex(Index);
    return FItems[std::size_t(Index)].Path;
}

QString TExplorerModel::FileName(int Index) const {
    return QFileInfo(Path(Index)).fileName();
}

TExplorerModel::TItemState TExplorerModel::State(int Index) const {
    CheckIndex(Index);
    return FItems[std::size_t(Index)].State;
}

QImage TExplorerModel::Image(int Index) const {
    CheckIndex(Index);
    return FItems[std::size_t(Index)].Image;
}

QString TExplorerModel::Error(int Index) const {
    CheckIndex(Index);
    return FItems[std::size_t(Index)].Error;
}

void TExplorerModel::SetVisibleRange(int First, int Last) {
    const int count = Count();
    if (First < 0 || Last < First || count == 0) {
        FFirst = FLast = -1;
    } else {
        FFirst = std::min(First, count - 1);
        FLast = std::min(Last, count - 1);
    }
    for (int i = FFirst; i >= 0 && i <= FLast; ++i)
        ReportIfInView(i);
    Pump();
}

int TExplorerModel::NextWanted() const {
    if (FFirst < 0)
        return -1;
    const int end = std::min<long long>(Count() - 1, (long long)FLast + std::max(0, Lookahead));
    for (int i = FFirst; i <= end; ++i)
        if (FItems[std::size_t(i)].State == isWaiting)
            return i;
    return -1;
}

void TExplorerModel::Pump() {
    while (FInFlight < FPool.maxThreadCount()) {
        const int index = NextWanted();
        if (index < 0)
            return;
        TItem& item = FItems[std::size_t(index)];
        item.State = isDecoding;
        ++FInFlight;
        const unsigned generation = FGeneration;
        const QString path = item.Path;
        const QSize box = FBox;
        FPool.start(QRunnable::create([this, generation, index, path, box] {
            QString why;
            QImage image;
            try {
                image = DecodeThumbnail(path, box, why);
            } catch (const std::exception& e) {
                image = QImage();
                why = QString::fromUtf8(e.what());
            }
            // The model outlives every decode it started: its destructor waits.
            QMetaObject::invokeMethod(
                this,
                [this, generation, index, image, why] { Delivered(generation, index, image, why); },
                Qt::QueuedConnection);
        }));
    }
}

void TExplorerModel::Delivered(unsigned Generation, int Index, const QImage& Image,
                               const QString& Why) {
    --FInFlight;
    if (Generation == FGeneration && Index < Count() &&
        FItems[std::size_t(Index)].State == isDecoding)
        Finish(Index, Image, Why);
    Pump();
}

void TExplorerModel::Finish(int Index, const QImage& Image, const QString& Why) {
    TItem& item = FItems[std::size_t(Index)];
    if (Image.isNull()) {
        item.State = isFailed;
        item.Error = Why.isEmpty() ? QStringLiteral("The picture cannot be read.") : Why;
    } else {
        item.State = isReady;
        item.Image = Image;
    }
    emit ItemDecoded(Index);
    ReportIfInView(Index);
}

void TExplorerModel::ReportIfInView(int Index) {
    TItem& item = FItems[std::size_t(Index)];
    if (item.State != isFailed || item.ErrorReported || Index < FFirst || Index > FLast)
        return;
    item.ErrorReported = true;
    emit ErrorFound(Index, item.Error);
}

QImage TExplorerModel::ImageNow(int Index) {
    CheckIndex(Index);
    TItem& item = FItems[std::size_t(Index)];
    if (item.State == isWaiting || item.State == isDecoding) {
        // A reading thread may be at it too; whichever comes second is dropped.
        QString why;
        const QImage image = DecodeThumbnail(item.Path, FBox, why);
        Finish(Index, image, why);
    }
    return item.State == isReady ? item.Image : QImage();
}

QImage DragPicture(const QImage& Thumbnail, bool Fit, int CellWidth, int CellHeight, int FitType,
                   TColor FillColor, QSize MaxSize) {
    if (Thumbnail.isNull())
        return QImage();
    const QRect box(QPoint(), MaxSize);
    if (Fit && CellWidth > 0 && CellHeight > 0) {
        const QSize cell = TThumbnailLayout::FitRect(QSize(CellWidth, CellHeight), box).size();
        TBitmap picture(pf24bit);
        picture.AssignImage(Thumbnail.convertToFormat(QImage::Format_RGB32));
        if (!cell.isEmpty() && FitPicture(picture, cell.width(), cell.height(), FitType, FillColor))
            return picture.Image().copy();
    }
    const QSize size = TThumbnailLayout::FitRect(Thumbnail.size(), box).size();
    if (size == Thumbnail.size() || size.isEmpty())
        return Thumbnail;
    return Thumbnail.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
