#include "layout/uResetPic.h"

#include "CommUnit/TColorSelect.h"
#include "CommUnit/TIntegerEdit.h"
#include "engine/uEventErrors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <iterator>

namespace {

template <typename T> T* Named(T* Widget, const char* Name) {
    Widget->setObjectName(QString::fromLatin1(Name));
    return Widget;
}

QLabel* Label(const char* Name, const char* Caption, QWidget* Parent, QWidget* Buddy) {
    auto* label = Named(new QLabel(QString::fromLatin1(Caption), Parent), Name);
    label->setBuddy(Buddy);
    return label;
}

} // namespace

TfrmReset::TfrmReset(TIniOption& Option, QWidget* Parent) : QDialog(Parent), FLogic(Option) {
    setObjectName(QStringLiteral("frmReset"));
    setWindowTitle(QStringLiteral("Reset new picture"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans")});
    font.setPointSize(8);
    setFont(font);

    auto* group1 =
        Named(new QGroupBox(
                  QStringLiteral("Resize original dimensions to new width and height (px)"), this),
              "GroupBox1");
    Fields.Create(group1, "Maintain aspect ratio from dimensions of sample picture");
    auto* group2 =
        Named(new QGroupBox(QStringLiteral("Set include rows and columns for new picture"), this),
              "GroupBox2");
    for (QWidget* w :
         {static_cast<QWidget*>(Fields.edtRows), static_cast<QWidget*>(Fields.edtCols),
          static_cast<QWidget*>(Fields.edtSpace), static_cast<QWidget*>(Fields.plPicSize)})
        w->setParent(group2);
    Fields.BgColorSelect->setParent(this);

    auto* g1 = new QGridLayout(group1);
    g1->addWidget(Label("Label9", "Width:", group1, Fields.edtResizeWidth), 0, 0);
    g1->addWidget(Fields.edtResizeWidth, 0, 1);
    g1->addWidget(Label("Label14", "Height:", group1, Fields.edtResizeHeight), 0, 2);
    g1->addWidget(Fields.edtResizeHeight, 0, 3);
    g1->setColumnStretch(4, 1);
    g1->addWidget(Fields.cbAspectRatio, 1, 0, 1, 5);
    g1->addWidget(Label("Label12", "Specify resizing type:", group1, Fields.cbResizeType), 2, 0, 1,
                  2);
    g1->addWidget(Fields.cbResizeType, 2, 2, 1, 3);
    auto* fill = new QHBoxLayout;
    fill->addWidget(Label("Label13", "Fill a color in blankspace on others smaller than sample:",
                          group1, Fields.FillColorSelect));
    fill->addWidget(Fields.FillColorSelect);
    fill->addStretch(1);
    g1->addLayout(fill, 3, 0, 1, 5);

    auto* g2 = new QGridLayout(group2);
    auto* counts = new QHBoxLayout;
    counts->addWidget(Label("Label15", "Rows", group2, Fields.edtRows));
    counts->addWidget(Fields.edtRows);
    counts->addSpacing(12);
    counts->addWidget(Label("lbColNumber", "Columns", group2, Fields.edtCols));
    counts->addWidget(Fields.edtCols);
    counts->addStretch(1);
    g2->addLayout(counts, 0, 0, 1, 2);
    g2->addWidget(Label("Label6", "Distance between two pictures(px):", group2, Fields.edtSpace), 1,
                  0);
    g2->addWidget(Fields.edtSpace, 1, 1, Qt::AlignLeft);
    g2->addWidget(Label("Label7", "Dimensions of new picture( w * h, px ) :", group2, nullptr), 2,
                  0);
    g2->addWidget(Fields.plPicSize, 2, 1);

    auto* background = new QHBoxLayout;
    background->addWidget(
        Label("Label5", "Background color of new picture:", this, Fields.BgColorSelect));
    background->addWidget(Fields.BgColorSelect);
    background->addStretch(1);

    btnOK = Named(new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                                  QStringLiteral("OK"), this),
                  "btnOK");
    btnCancel = Named(new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                      QStringLiteral("Cancel"), this),
                      "btnCancel");
    btnOK->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);

    auto* main = new QVBoxLayout(this);
    main->addWidget(group1);
    main->addWidget(group2);
    main->addLayout(background);
    main->addSpacing(6);
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);

    QWidget* const order[] = {Fields.edtResizeWidth,
                              Fields.edtResizeHeight,
                              Fields.cbAspectRatio,
                              Fields.cbResizeType,
                              Fields.FillColorSelect,
                              Fields.edtRows,
                              Fields.edtCols,
                              Fields.edtSpace,
                              Fields.BgColorSelect,
                              btnOK,
                              btnCancel};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    Fields.Wire(this, FLogic.Params, [this] { Fields.Show(FLogic.Params); });
    connect(btnOK, &QPushButton::clicked, this,
            [this] { GuardEvent(this, [this] { btnOKClick(); }); });
    // Escape and the close box do the same through reject().
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    Fields.Show(FLogic.Params);
}

bool TfrmReset::Execute() {
    FLogic.Open();
    Fields.Show(FLogic.Params);
    return exec() == QDialog::Accepted;
}

bool TfrmReset::event(QEvent* Event) {
    if (Event->type() == QEvent::WindowActivate)
        FLogic.Activated();
    return QDialog::event(Event);
}

void TfrmReset::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    Fields.edtResizeWidth->setFocus();
}

void TfrmReset::btnOKClick() {
    const std::string refusal = FLogic.OkRefusal();
    if (!refusal.empty()) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                        QString::fromStdString(refusal), QMessageBox::Ok, this);
        box.exec();
        return;
    }
    accept();
}
