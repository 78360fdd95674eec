// The pictures of one folder as the explorer shows them, apart from any widget:
// the folder's picture files in order, and their thumbnails, decoded on reading
// threads as the items come into view and handed to the interface thread by
// queued calls. The interface thread never waits for a decode here.
#pragma once

#include "engine/TColor32.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <vector>

// The files the explorer lists, by name.
extern const char* const kExplorerFileMask;

class TExplorerModel : public QObject {
    Q_OBJECT
public:
    enum TItemState { isWaiting, isDecoding, isReady, isFailed };

    // Thumbnails are shrunk to fit Box with their aspect ratio kept and never
    // enlarged. Threads 0 is one reading thread per core, at most four.
    explicit TExplorerModel(QSize Box, int Threads = 0, QObject* Parent = nullptr);
    // Waits for the decodes under way; their results are dropped.
    ~TExplorerModel() override;

    // The single masks of kExplorerFileMask, each once.
    static QStringList FileMasks();
    // The full paths of the files of Folder that match a mask (subfolders left
    // out), with the platform's separator, sorted by path without regard to
    // case (paths that differ only in case in the order of their characters),
    // each path once.
    static QStringList ListFolder(const QString& Folder);
    // The picture of File shrunk with its aspect ratio kept to fit inside Box
    // (never enlarged), a JPEG made from whatever covers that size soonest: its
    // embedded thumbnail, its DC scans, or the smallest reduced scale
    // (LoadPictureForThumbnail). A null image, with the reason in Why, when the
    // file cannot be read. Safe on any thread.
    static QImage DecodeThumbnail(const QString& File, QSize Box, QString& Why);

    // Shows the pictures of Folder, read afresh even when it is the folder
    // shown (it may have changed on disk). Decodes under way are dropped.
    void Load(const QString& Folder);
    QString Folder() const { return FFolder; }
    QSize Box() const { return FBox; }
    int Count() const { return int(FItems.size()); }
    QString Path(int Index) const;
    QString FileName(int Index) const;
    TItemState State(int Index) const;
    // The thumbnail once ready; null before and for a file that cannot be read.
    QImage Image(int Index) const;
    // Why the file cannot be read; empty unless failed.
    QString Error(int Index) const;

    // The items First..Last are in view (-1, -1 for none): those not decoded
    // are decoded first, then up to Lookahead items after them. No more
    // decodes are handed out than there are reading threads, so that items
    // scrolled past never queue up ahead of the ones in view. Failures in view
    // are reported once each.
    void SetVisibleRange(int First, int Last);
    int Lookahead = 4;

    // The thumbnail of Index for a press on it: decoded on this thread when no
    // reading thread has delivered it yet. Null when the file cannot be read.
    QImage ImageNow(int Index);
    // Decodes handed to the reading threads whose results have not come back.
    int Decoding() const { return FInFlight; }
    int ThreadCount() const { return FPool.maxThreadCount(); }

signals:
    // The items were replaced (a folder was loaded).
    void ItemsReset();
    // Item Index is ready or failed.
    void ItemDecoded(int Index);
    // Item Index cannot be read and is in view: shown once per item and load.
    void ErrorFound(int Index, const QString& Why);

private:
    struct TItem {
        QString Path;
        TItemState State = isWaiting;
        QImage Image;
        QString Error;
        bool ErrorReported = false;
    };

    void CheckIndex(int Index) const;
    // Hands waiting items to the reading threads while there is room.
    void Pump();
    int NextWanted() const;
    void Delivered(unsigned Generation, int Index, const QImage& Image, const QString& Why);
    void Finish(int Index, const QImage& Image, const QString& Why);
    void ReportIfInView(int Index);

    QSize FBox;
    QString FFolder;
    std::vector<TItem> FItems;
    int FFirst = -1;
    int FLast = -1;
    unsigned FGeneration = 0;
    int FInFlight = 0;
    QThreadPool FPool;
};

// The picture a drag shows for a thumbnail: in grid mode (Fit) the picture as
// it would be fitted into a cell of CellWidth x CellHeight by FitType on
// FillColor; otherwise the thumbnail itself. Either is at most MaxSize, its
// aspect ratio kept.
QImage DragPicture(const QImage& Thumbnail, bool Fit, int CellWidth, int CellHeight, int FitType,
                   TColor FillColor, QSize MaxSize);
