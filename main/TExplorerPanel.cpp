#include "main/TExplorerPanel.h"

#include "CommUnit/TThumbnailViewer.h"
#include "engine/uEventErrors.h"
#include "main/TPictureDropTarget.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

const char* const TExplorerPanel::kDialogTitle = "Select Picture Directory:";

namespace {

constexpr int kItemSpacing = 4;
constexpr int kItemMargin = 2;

} // namespace

QImage UnreadablePicture(QSize Size) {
    const int side = std::max(1, std::min({Size.width(), Size.height(), 48}));
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(1.5, 1.5, side - 3, side - 3);
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1.0));
    p.setBrush(QColor(0xf2, 0xf2, 0xf2));
    p.drawRect(r);
    // A torn picture: a red cross over the frame.
    p.setPen(
        QPen(QColor(0xc5, 0x30, 0x30), std::max(1.5, side / 12.0), Qt::SolidLine, Qt::RoundCap));
    const qreal m = side * 0.3;
    p.drawLine(QPointF(m, m), QPointF(side - m, side - m));
    p.drawLine(QPointF(side - m, m), QPointF(m, side - m));
    return image;
}

TExplorerPanel::TExplorerPanel(QWidget* Parent) : QWidget(Parent) {
    setObjectName(QStringLiteral("pnlExplorer"));
    Label7 = new QLabel(QStringLiteral("Select Directory:"), this);
    Label7->setObjectName(QStringLiteral("Label7"));
    SelectDir = new QLineEdit(this);
    SelectDir->setObjectName(QStringLiteral("SelectDir"));
    SelectDir->setReadOnly(true);
    SelectDirButton = new QToolButton(this);
    SelectDirButton->setObjectName(QStringLiteral("SelectDirButton"));
    SelectDirButton->setText(QStringLiteral("..."));
    SelectDirButton->setToolTip(QString::fromLatin1(kDialogTitle));
    SelectDirButton->setFocusPolicy(Qt::StrongFocus);
    Label7->setBuddy(SelectDirButton);

    ivLeft = new TThumbnailViewer(this);
    ivLeft->setObjectName(QStringLiteral("ivLeft"));
    ivLeft->SetCellSize(QSize(kItemWidth, kItemHeight));
    ivLeft->SetSpacing(kItemSpacing);
    ivLeft->SetMaxColumns(1);
    ivLeft->SetImageMargin(kItemMargin);
    ivLeft->SetShowCaptions(true);
    ivLeft->SetShowFrames(true);
    ivLeft->SetHotTrack(true);
    ivLeft->SetColor(clWhite);

    auto* folderRow = new QHBoxLayout;
    folderRow->setContentsMargins(0, 0, 0, 0);
    folderRow->setSpacing(2);
    folderRow->addWidget(SelectDir, 1);
    folderRow->addWidget(SelectDirButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(Label7);
    layout->addLayout(folderRow);
    layout->addWidget(ivLeft, 1);

    FModel = new TExplorerModel(ivLeft->Layout().ImageBox(0).size(), 0, this);
    FHoldTimer = new QTimer(this);
    FHoldTimer->setSingleShot(true);
    FClock.start();

    connect(SelectDirButton, &QToolButton::clicked, this,
            [this] { GuardEvent(this, [this] { Browse(); }); });
    connect(FModel, &TExplorerModel::ItemsReset, this, [this] { ShowItems(); });
    connect(FModel, &TExplorerModel::ItemDecoded, this, [this](int i) { ShowItem(i); });
    connect(FModel, &TExplorerModel::ErrorFound, this, [this](int, const QString& why) {
        if (OnPictureError)
            OnPictureError(why);
    });
    connect(FHoldTimer, &QTimer::timeout, this,
            [this] { GuardEvent(this, [this] { HoldTimeout(); }); });
    ivLeft->OnVisibleRangeChanged = [this](int First, int Last) {
        FModel->SetVisibleRange(First, Last);
    };
    ivLeft->OnMouseDown = [this](Qt::MouseButton Button, Qt::KeyboardModifiers Shift, QPoint Pos) {
        FRule.Cancel();
        if (OnMouseDown)
            OnMouseDown(Button, Shift, Pos);
    };
    ivLeft->OnMouseMove = [this](Qt::MouseButtons Buttons, Qt::KeyboardModifiers, QPoint Pos) {
        if (!FRule.Armed())
            return;
        if (!(Buttons & Qt::LeftButton))
            FRule.Cancel();
        else if (FRule.Move(Pos, Now()))
            StartDrag();
        else
            WaitForHold();
    };
    ivLeft->OnMouseUp = [this](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) { FRule.Cancel(); };
    ivLeft->installEventFilter(this);
    ivLeft->viewport()->installEventFilter(this);
}

TExplorerPanel::~TExplorerPanel() = default;

void TExplorerPanel::Browse() {
    const QString initial = SelectDir->text().isEmpty() ? InitialDir : SelectDir->text();
    QString chosen;
    bool ok = false;
    if (FolderChooser) {
        ok = FolderChooser(initial, chosen);
    } else {
        chosen =
            QFileDialog::getExistingDirectory(this, QString::fromLatin1(kDialogTitle), initial);
        ok = !chosen.isEmpty();
    }
    if (OnAfterDialog)
        OnAfterDialog(ok && !chosen.isEmpty(), ok && !chosen.isEmpty() ? chosen : Folder());
}

void TExplorerPanel::LoadFolder(const QString& Folder) {
    FRule.Cancel();
    // One separator between names, whatever the folder was written with.
    const QString folder = Folder.isEmpty() ? Folder : QDir::cleanPath(Folder);
    SelectDir->setText(QDir::toNativeSeparators(folder));
    FModel->Load(folder);
}

void TExplorerPanel::ShowItems() {
    ivLeft->Clear();
    const int count = FModel->Count();
    ivLeft->SetCount(count);
    for (int i = 0; i < count; ++i)
        ivLeft->SetCaption(i, FModel->FileName(i));
    ivLeft->SetSelectedIndex(-1);
    // The same number of items as before gives no change of the range.
    const TThumbnailRange range = ivLeft->VisibleRange();
    FModel->SetVisibleRange(range.First, range.Last);
}

void TExplorerPanel::ShowItem(int Index) {
    if (Index >= ivLeft->Count())
        return;
    if (FModel->State(Index) == TExplorerModel::isFailed)
        ivLeft->SetImage(Index, UnreadablePicture(FModel->Box()));
    else
        ivLeft->SetImage(Index, FModel->Image(Index));
}

QString TExplorerPanel::ItemHint(int Index) const {
    const QString error = FModel->Error(Index);
    return error.isEmpty() ? FModel->Path(Index)
                           : FModel->FileName(Index) + QStringLiteral("\n") + error;
}

QImage TExplorerPanel::PictureOf(int Index) {
    if (Index < 0 || Index >= FModel->Count())
        return QImage();
    return FModel->ImageNow(Index);
}

void TExplorerPanel::ArmDrag(QPoint Pos, const QString& File, const QImage& Picture) {
    FDragFile = File;
    DropImg = Picture;
    FRule.Press(Pos, Now(), QApplication::startDragDistance());
    WaitForHold();
}

void TExplorerPanel::WaitForHold() {
    if (!FRule.Armed())
        return;
    FHoldTimer->start(int(std::max<std::int64_t>(1, FRule.HoldDeadline() - Now())));
}

void TExplorerPanel::HoldTimeout() {
    if (!FRule.Armed())
        return;
    if (FRule.Tick(Now()))
        StartDrag();
    else
        WaitForHold();
}

void TExplorerPanel::StartDrag() {
    FRule.Cancel();
    FHoldTimer->stop();
    if (DropImg.isNull())
        return;
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(TPictureDropTarget::kExplorerMimeType), FDragFile.toUtf8());
    // Other programs may take the picture itself.
    data->setImageData(DropImg);
    QPointer<QDrag> drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(QPixmap::fromImage(DropImg));
    drag->setHotSpot(QPoint(kHotSpot, kHotSpot));
    const Qt::DropAction result = DragRunner
                                      ? DragRunner(*drag)
                                      : drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    if (drag)
        drag->deleteLater();
    if (result == Qt::MoveAction)
        DropImg = QImage();
}

bool TExplorerPanel::eventFilter(QObject* Watched, QEvent* Event) {
    switch (Event->type()) {
    case QEvent::KeyPress:
        if (Watched == ivLeft) {
            if (static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Escape)
                FRule.Cancel();
            else
                FRule.Input(Now());
        }
        break;
    case QEvent::FocusOut:
    case QEvent::Hide:
        // The mouse is no longer ours: no drag.
        if (Watched == ivLeft)
            FRule.Cancel();
        break;
    case QEvent::ToolTip:
        if (Watched == ivLeft->viewport()) {
            auto* help = static_cast<QHelpEvent*>(Event);
            const int i = ivLeft->IndexAt(help->pos());
            if (i < 0 || i >= FModel->Count()) {
                QToolTip::hideText();
                Event->ignore();
                return true;
            }
            QToolTip::showText(help->globalPos(), ItemHint(i), ivLeft->viewport(),
                               ivLeft->ItemRect(i));
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(Watched, Event);
}
