// The explorer page of the left panel: the folder box SelectDir with its browse
// button and the thumbnails ivLeft of the folder's pictures, from which a
// picture is dragged onto the canvas. The panel shows and drags; what a press
// or a folder choice means to the document is the main window's.
#pragma once

#include "main/TDragStartRule.h"
#include "main/TExplorerModel.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include <functional>

class QDrag;
class QLabel;
class QLineEdit;
class QTimer;
class QToolButton;
class TThumbnailViewer;

class TExplorerPanel : public QWidget {
    Q_OBJECT
public:
    explicit TExplorerPanel(QWidget* Parent = nullptr);
    ~TExplorerPanel() override;

    QLabel* Label7;
    // The folder shown; read-only, chosen through the folder dialog alone.
    QLineEdit* SelectDir;
    QToolButton* SelectDirButton;
    TThumbnailViewer* ivLeft;
    TExplorerModel& Model() { return *FModel; }

    // The folder dialog's title and the folder it opens in.
    static const char* const kDialogTitle;
    QString InitialDir;
    // When set, runs in place of the folder dialog: it sees the folder the
    // dialog would open in, sets Chosen and answers false to cancel.
    using TFolderChooser = std::function<bool(const QString& Initial, QString& Chosen)>;
    TFolderChooser FolderChooser;
    // Opens the folder dialog, as the browse button does, then reports through
    // OnAfterDialog: the folder chosen, or after a cancel the folder shown.
    void Browse();
    std::function<void(bool Chosen, const QString& Folder)> OnAfterDialog;

    // Shows the pictures of Folder in SelectDir and ivLeft, read afresh.
    void LoadFolder(const QString& Folder);
    QString Folder() const { return FModel->Folder(); }

    // A mouse button went down on ivLeft, after the press selected the item
    // under it (a left press) or left the selection alone.
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, QPoint)> OnMouseDown;
    // An item that cannot be read came into view: its reason, once per item.
    std::function<void(const QString& Why)> OnPictureError;

    // The tooltip of item Index: its path, or for a file that cannot be read
    // its name and the reason.
    QString ItemHint(int Index) const;

    // The picture a drag of item Index starts from, the item's thumbnail,
    // decoded now when no reading thread has delivered it. Null when the file
    // cannot be read.
    QImage PictureOf(int Index);
    // Watches the press at Pos for the start of a drag of File showing
    // Picture: moving out of the drag distance from 200 ms after the press on,
    // or holding the button still for 500 ms.
    void ArmDrag(QPoint Pos, const QString& File, const QImage& Picture);
    bool DragArmed() const { return FRule.Armed(); }
    // Starts the armed drag at once.
    void StartDrag();
    // Runs a drag that has its data, picture and hot spot, and answers its
    // outcome; a test sets it in place of the platform's drag loop.
    std::function<Qt::DropAction(QDrag&)> DragRunner;
    // The picture being dragged; cleared when another program took the drag
    // as a move.
    QImage DropImg;
    // Where the pointer is on the drag picture.
    static constexpr int kHotSpot = 25;

    // Items are 140 x 120 pixels, 4 apart, in one column.
    static constexpr int kItemWidth = 140;
    static constexpr int kItemHeight = 120;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void ShowItems();
    void ShowItem(int Index);
    std::int64_t Now() const { return FClock.elapsed(); }
    void WaitForHold();
    void HoldTimeout();

    TExplorerModel* FModel;
    TDragStartRule FRule;
    QTimer* FHoldTimer;
    QElapsedTimer FClock;
    QString FDragFile;
};

// The placeholder of a file that cannot be read, Size at most.
QImage UnreadablePicture(QSize Size);
