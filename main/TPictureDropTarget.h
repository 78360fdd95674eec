// Lets a page take pictures dropped onto it: the explorer's own drag, and
// files dragged from the desktop's file manager, several at once. Other data
// (a bitmap from another program, text) is refused. What a drop adds is the
// page owner's business.
#pragma once

#include <QObject>
#include <QPoint>
#include <QStringList>

#include <functional>

class QMimeData;
class QWidget;

class TPictureDropTarget : public QObject {
public:
    // The data type of the explorer's drag: the file's full path in UTF-8.
    static const char* const kExplorerMimeType;

    // Watches Page, which from now on takes drops.
    explicit TPictureDropTarget(QWidget* Page);

    // True for the explorer's drag, and for a list of addresses that holds at
    // least one local file.
    static bool Accepts(const QMimeData* Data);
    // The local files of an address list, in their order; empty for the
    // explorer's drag, whose picture is the one last pressed.
    static QStringList DroppedFiles(const QMimeData* Data);

    // A drop at Pos, in the page's coordinates, of Files (empty: the
    // explorer's picture).
    std::function<void(const QStringList& Files, QPoint Pos, Qt::KeyboardModifiers Shift)> OnDrop;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
};
