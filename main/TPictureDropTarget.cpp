#include "main/TPictureDropTarget.h"

#include "engine/uEventErrors.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

const char* const TPictureDropTarget::kExplorerMimeType = "application/x-tessellon-picture";

TPictureDropTarget::TPictureDropTarget(QWidget* Page) : QObject(Page) {
    Page->setAcceptDrops(true);
    Page->installEventFilter(this);
}

bool TPictureDropTarget::Accepts(const QMimeData* Data) {
    if (!Data)
        return false;
    if (Data->hasFormat(QString::fromLatin1(kExplorerMimeType)))
        return true;
    return !DroppedFiles(Data).isEmpty();
}

QStringList TPictureDropTarget::DroppedFiles(const QMimeData* Data) {
    QStringList files;
    if (!Data || Data->hasFormat(QString::fromLatin1(kExplorerMimeType)) || !Data->hasUrls())
        return files;
    for (const QUrl& url : Data->urls())
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            files << QFileInfo(url.toLocalFile()).absoluteFilePath();
    return files;
}

namespace {

// The page copies or links the picture; it never lets a file manager move
// (and so remove) the file it came from.
bool ChooseAction(QDropEvent* Event) {
    const Qt::DropActions possible = Event->possibleActions();
    if (possible & Qt::CopyAction)
        Event->setDropAction(Qt::CopyAction);
    else if (possible & Qt::LinkAction)
        Event->setDropAction(Qt::LinkAction);
    else
        return false;
    return true;
}

} // namespace

bool TPictureDropTarget::eventFilter(QObject* Watched, QEvent* Event) {
    switch (Event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* e = static_cast<QDragMoveEvent*>(Event);
        if (Accepts(e->mimeData()) && ChooseAction(e))
            e->accept();
        else
            e->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* e = static_cast<QDropEvent*>(Event);
        if (!Accepts(e->mimeData()) || !ChooseAction(e)) {
            e->ignore();
            return true;
        }
        e->accept();
        const QStringList files = DroppedFiles(e->mimeData());
        const QPoint pos = e->position().toPoint();
        const Qt::KeyboardModifiers shift = e->modifiers();
        GuardEvent(qobject_cast<QWidget*>(Watched), [&] {
            if (OnDrop)
                OnDrop(files, pos, shift);
        });
        return true;
    }
    default:
        return QObject::eventFilter(Watched, Event);
    }
}
