#include "layout/uWizard.h"

#include "CommUnit/TColorSelect.h"
#include "CommUnit/TIntegerEdit.h"
#include "CommUnit/TPictureOpenDialog.h"
#include "engine/TBitmap32.h"
#include "engine/TImgView32.h"
#include "engine/uEventErrors.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const struct {
    const char* Title;
    const char* Subtitle;
} kPages[] = {
    {"What kind", "Please select a method for creating a new picture. And then setup a "
                  "background-color for the new picture."},
    {"Setup parameters", "Please setup a new dimensions and select a type of resizing the "
                         "original pictures. Then setup the rows and columns etc."},
    {"Select pictures", "Please click 'Add' botton and add your pictures to list. You also can "
                        "remove, move up and move down picture from pictures list."},
};

constexpr int kRouteMapWidth = 130;
constexpr int kPreviewSize = 150;

template <typename T> T* Named(T* Widget, const char* Name) {
    Widget->setObjectName(QString::fromLatin1(Name));
    return Widget;
}

QLabel* Label(const char* Name, const char* Caption, QWidget* Parent) {
    return Named(new QLabel(QString::fromLatin1(Caption), Parent), Name);
}

} // namespace

TfrmWizard::TfrmWizard(TIniOption& Option, QWidget* Parent) : QDialog(Parent), FLogic(Option) {
    setObjectName(QStringLiteral("frmWizard"));
    setWindowTitle(QStringLiteral("Create wizard"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    QFont font;
    font.setFamilies(
        {QStringLiteral("Tahoma"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setPointSize(8);
    setFont(font);
    PreviewLoader = [](const std::string& File, TBitmap32& Picture) { Picture.LoadFromFile(File); };

    // The route map on the left: the titles of the pages, the current one marked.
    WizardNodes = Named(new QFrame(this), "WizardNodes");
    WizardNodes->setFixedWidth(kRouteMapWidth);
    WizardNodes->setAutoFillBackground(true);
    WizardNodes->setStyleSheet(
        QStringLiteral("#WizardNodes { background: #3c4a5c; } QLabel { color: #c8d0dc; }"));
    auto* nodesLayout = new QVBoxLayout(WizardNodes);
    nodesLayout->setContentsMargins(10, 14, 6, 10);
    nodesLayout->setSpacing(10);
    for (const auto& page : kPages) {
        auto* node = new QLabel(QString::fromLatin1(page.Title), WizardNodes);
        node->setWordWrap(true);
        nodesLayout->addWidget(node);
        FNodes.push_back(node);
    }
    nodesLayout->addStretch(1);

    // The header with the page's title and subtitle, then the pages.
    auto* header = Named(new QFrame(this), "pnlHeader");
    header->setAutoFillBackground(true);
    header->setBackgroundRole(QPalette::Base);
    header->setFrameShape(QFrame::StyledPanel);
    auto* headerLayout = new QVBoxLayout(header);
    lbTitle = Named(new QLabel(header), "lbTitle");
    QFont titleFont = lbTitle->font();
    titleFont.setBold(true);
    lbTitle->setFont(titleFont);
    lbSubtitle = Named(new QLabel(header), "lbSubtitle");
    lbSubtitle->setWordWrap(true);
    headerLayout->addWidget(lbTitle);
    headerLayout->addWidget(lbSubtitle);

    WizardMain = Named(new QStackedWidget(this), "WizardMain");
    CreatePage1();
    CreatePage2();
    CreatePage3();

    auto* right = new QVBoxLayout;
    right->addWidget(header);
    right->addWidget(WizardMain, 1);
    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->addWidget(WizardNodes);
    body->addLayout(right, 1);

    btnBack = Named(new QPushButton(QStringLiteral("< &Back"), this), "btnBack");
    btnNext = Named(new QPushButton(QStringLiteral("&Next >"), this), "btnNext");
    btnFinish = Named(new QPushButton(QStringLiteral("&Finish"), this), "btnFinish");
    btnCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "btnCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnBack);
    buttons->addWidget(btnNext);
    buttons->addWidget(btnFinish);
    buttons->addSpacing(12);
    buttons->addWidget(btnCancel);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* main = new QVBoxLayout(this);
    main->addLayout(body, 1);
    main->addWidget(line);
    main->addLayout(buttons);
    // A fixed dialog frame.
    main->setSizeConstraint(QLayout::SetFixedSize);

    SampleDlg = new TPictureOpenDialog(this, false);
    SampleDlg->setObjectName(QStringLiteral("SampleDlg"));
    SampleDlg->setNameFilters(
        TPictureOpenDialog::NameFiltersOf(QString::fromStdString(SampleFileFilter())));
    OpenPicDlg = new TPictureOpenDialog(this, true);
    OpenPicDlg->setObjectName(QStringLiteral("OpenPicDlg"));

    // Tab goes through each page from top to bottom, then to the buttons.
    const std::vector<QWidget*> order = {rbWizard,
                                         feSampleFile,
                                         feSampleFileBrowse,
                                         rbEmpty,
                                         edtPicWidth,
                                         edtPicHeight,
                                         Fields.BgColorSelect,
                                         Fields.edtResizeWidth,
                                         Fields.edtResizeHeight,
                                         btnOriginalSize,
                                         Fields.cbAspectRatio,
                                         Fields.cbResizeType,
                                         Fields.FillColorSelect,
                                         Fields.edtRows,
                                         Fields.edtCols,
                                         Fields.edtSpace,
                                         btnAdd,
                                         btnRemove,
                                         btnUp,
                                         btnDown,
                                         lvPictures,
                                         btnBack,
                                         btnNext,
                                         btnFinish,
                                         btnCancel};
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    Wire();
    ShowPictures();
    ShowState();
}

TfrmWizard::~TfrmWizard() = default;

void TfrmWizard::CreatePage1() {
    wp1 = Named(new QWidget(WizardMain), "wp1");
    auto* label1 = Label("Label1", "What kind of new picture would you like to create?", wp1);
    rbWizard =
        Named(new QRadioButton(QStringLiteral("Create a new picture with step-by-step"), wp1),
              "rbWizard");
    auto* recommended = Label("lbRecommended", "(recommended)", wp1);
    QFont bold = recommended->font();
    bold.setBold(true);
    recommended->setFont(bold);
    recommended->setStyleSheet(QStringLiteral("color: blue;"));
    auto* label4 = Label("Label4", "Select a sample picture first:", wp1);
    feSampleFile = Named(new QLineEdit(wp1), "feSampleFile");
    feSampleFile->setMinimumWidth(280);
    feSampleFileBrowse = Named(new QPushButton(QStringLiteral("..."), wp1), "feSampleFileBrowse");
    feSampleFileBrowse->setToolTip(QStringLiteral("Browse"));
    feSampleFileBrowse->setFixedWidth(28);
    rbEmpty = Named(
        new QRadioButton(QStringLiteral("Use width and height to create an empty picture"), wp1),
        "rbEmpty");
    auto* kinds = new QButtonGroup(wp1);
    kinds->addButton(rbWizard);
    kinds->addButton(rbEmpty);
    auto* label2 = Label("Label2", "Width(px):", wp1);
    edtPicWidth = Named(new TIntegerEdit(wp1), "edtPicWidth");
    edtPicWidth->SetLimits(kSideRange.Min, kSideRange.Max, kSideRange.Digits);
    auto* label3 = Label("Label3", "Height(px):", wp1);
    edtPicHeight = Named(new TIntegerEdit(wp1), "edtPicHeight");
    edtPicHeight->SetLimits(kSideRange.Min, kSideRange.Max, kSideRange.Digits);
    label2->setBuddy(edtPicWidth);
    label3->setBuddy(edtPicHeight);
    label4->setBuddy(feSampleFile);
    // The colour button is shared with the other fields; it stands on this page.
    Fields.BgColorSelect = Named(new TColorSelect(wp1), "BgColorSelect");
    auto* label5 = Label("Label5", "The background color of new picture is:", wp1);
    label5->setBuddy(Fields.BgColorSelect);

    auto* layout = new QVBoxLayout(wp1);
    layout->addWidget(label1);
    layout->addSpacing(6);
    auto* wizardRow = new QHBoxLayout;
    wizardRow->addWidget(rbWizard);
    wizardRow->addWidget(recommended);
    wizardRow->addStretch(1);
    layout->addLayout(wizardRow);
    auto* sample = new QGridLayout;
    sample->setContentsMargins(22, 0, 0, 0);
    sample->addWidget(label4, 0, 0, 1, 2);
    sample->addWidget(feSampleFile, 1, 0);
    sample->addWidget(feSampleFileBrowse, 1, 1);
    layout->addLayout(sample);
    layout->addSpacing(6);
    layout->addWidget(rbEmpty);
    auto* size = new QHBoxLayout;
    size->setContentsMargins(22, 0, 0, 0);
    size->addWidget(label2);
    size->addWidget(edtPicWidth);
    size->addSpacing(12);
    size->addWidget(label3);
    size->addWidget(edtPicHeight);
    size->addStretch(1);
    layout->addLayout(size);
    layout->addSpacing(10);
    auto* colour = new QHBoxLayout;
    colour->addWidget(label5);
    colour->addWidget(Fields.BgColorSelect);
    colour->addStretch(1);
    layout->addLayout(colour);
    layout->addStretch(1);
    WizardMain->addWidget(wp1);
}

void TfrmWizard::CreatePage2() {
    wp2 = Named(new QWidget(WizardMain), "wp2");
    auto* group1 =
        Named(new QGroupBox(
                  QStringLiteral("Resizes all pictures to specified width and height (px)"), wp2),
              "GroupBox1");
    // Every field but the background colour, which page 1 holds.
    Fields.Create(group1, "Retains the width-to-height ratio of the sample.");
    auto* group2 = Named(
        new QGroupBox(QStringLiteral("Include rows and columns of new picture"), wp2), "GroupBox2");
    for (QWidget* w :
         {static_cast<QWidget*>(Fields.edtRows), static_cast<QWidget*>(Fields.edtCols),
          static_cast<QWidget*>(Fields.edtSpace), static_cast<QWidget*>(Fields.plPicSize)})
        w->setParent(group2);

    auto* label9 = Label("Label9", "Width:", group1);
    auto* label14 = Label("Label14", "Height:", group1);
    btnOriginalSize =
        Named(new QPushButton(QStringLiteral("Original dimensions"), group1), "btnOriginalSize");
    btnOriginalSize->setToolTip(QStringLiteral("Use original dimensions"));
    auto* label12 = Label("Label12", "Specify resizing type:", group1);
    auto* label13 =
        Label("Label13", "Fill a color in blankspace on others smaller than sample:", group1);
    label9->setBuddy(Fields.edtResizeWidth);
    label14->setBuddy(Fields.edtResizeHeight);
    label12->setBuddy(Fields.cbResizeType);
    label13->setBuddy(Fields.FillColorSelect);
    auto* g1 = new QGridLayout(group1);
    g1->addWidget(label9, 0, 0);
    g1->addWidget(Fields.edtResizeWidth, 0, 1);
    g1->addWidget(label14, 0, 2);
    g1->addWidget(Fields.edtResizeHeight, 0, 3);
    g1->addWidget(btnOriginalSize, 0, 4);
    g1->addWidget(Fields.cbAspectRatio, 1, 0, 1, 5);
    g1->addWidget(label12, 2, 0, 1, 2);
    g1->addWidget(Fields.cbResizeType, 2, 2, 1, 3);
    auto* fill = new QHBoxLayout;
    fill->addWidget(label13);
    fill->addWidget(Fields.FillColorSelect);
    fill->addStretch(1);
    g1->addLayout(fill, 3, 0, 1, 5);
    g1->setColumnStretch(5, 1);

    auto* label15 = Label("Label15", "Rows:", group2);
    auto* lbColNumber = Label("lbColNumber", "Columns:", group2);
    auto* label6 = Label("Label6", "Distance between two pictures(px):", group2);
    auto* label7 = Label("Label7", "Dimensions of new picture (width x height) :", group2);
    label15->setBuddy(Fields.edtRows);
    lbColNumber->setBuddy(Fields.edtCols);
    label6->setBuddy(Fields.edtSpace);
    auto* g2 = new QGridLayout(group2);
    auto* counts = new QHBoxLayout;
    counts->addWidget(label15);
    counts->addWidget(Fields.edtRows);
    counts->addSpacing(12);
    counts->addWidget(lbColNumber);
    counts->addWidget(Fields.edtCols);
    counts->addStretch(1);
    g2->addLayout(counts, 0, 0, 1, 2);
    g2->addWidget(label6, 1, 0);
    g2->addWidget(Fields.edtSpace, 1, 1, Qt::AlignLeft);
    g2->addWidget(label7, 2, 0);
    g2->addWidget(Fields.plPicSize, 2, 1);

    auto* layout = new QVBoxLayout(wp2);
    layout->addWidget(group1);
    layout->addWidget(group2);
    layout->addStretch(1);
    WizardMain->addWidget(wp2);
}

void TfrmWizard::CreatePage3() {
    wp3 = Named(new QWidget(WizardMain), "wp3");
    auto* label8 = Label("Label8", "Please select original pictures to add them in list.", wp3);
    auto flat = [this](const char* Name, const char* Caption) {
        auto* b = Named(new QPushButton(QString::fromLatin1(Caption), wp3), Name);
        b->setFlat(true);
        return b;
    };
    btnAdd = flat("btnAdd", "Add");
    btnRemove = flat("btnRemove", "Remove");
    btnUp = flat("btnUp", "Up");
    btnDown = flat("btnDown", "Down");

    lvPictures = Named(new QTableWidget(0, 1, wp3), "lvPictures");
    lvPictures->setHorizontalHeaderLabels({QStringLiteral("Filename")});
    lvPictures->horizontalHeader()->hide();
    lvPictures->horizontalHeader()->setStretchLastSection(true);
    lvPictures->verticalHeader()->hide();
    lvPictures->verticalHeader()->setDefaultSectionSize(lvPictures->fontMetrics().height() + 6);
    lvPictures->setShowGrid(true);
    lvPictures->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvPictures->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvPictures->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvPictures->setWordWrap(false);
    lvPictures->setTextElideMode(Qt::ElideLeft);
    lvPictures->setTabKeyNavigation(false);
    // The selection stays visible when the list loses the focus.
    QPalette palette = lvPictures->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    lvPictures->setPalette(palette);
    lvPictures->setMinimumSize(300, 190);

    ImgPreview = Named(new TImage32(wp3), "ImgPreview");
    ImgPreview->SetColor(clWhite);
    ImgPreview->SetBitmapAlign(baCenter);
    ImgPreview->SetScaleMode(smResize);
    ImgPreview->setFixedSize(kPreviewSize, kPreviewSize);
    ImgPreview->setFocusPolicy(Qt::NoFocus);

    auto* layout = new QVBoxLayout(wp3);
    layout->addWidget(label8);
    auto* tools = new QHBoxLayout;
    for (QPushButton* b : {btnAdd, btnRemove, btnUp, btnDown})
        tools->addWidget(b);
    tools->addStretch(1);
    layout->addLayout(tools);
    auto* lists = new QHBoxLayout;
    lists->addWidget(lvPictures, 1);
    lists->addWidget(ImgPreview, 0, Qt::AlignTop);
    layout->addLayout(lists, 1);
    WizardMain->addWidget(wp3);
}

void TfrmWizard::Wire() {
    auto guarded = [this](void (TfrmWizard::*Handler)()) {
        return [this, Handler] { GuardEvent(this, [&] { (this->*Handler)(); }); };
    };
    connect(btnNext, &QPushButton::clicked, this, guarded(&TfrmWizard::btnNextClick));
    connect(btnBack, &QPushButton::clicked, this, guarded(&TfrmWizard::btnBackClick));
    connect(btnFinish, &QPushButton::clicked, this, guarded(&TfrmWizard::btnFinishClick));
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(feSampleFileBrowse, &QPushButton::clicked, this,
            guarded(&TfrmWizard::feSampleFileButtonClick));
    connect(btnOriginalSize, &QPushButton::clicked, this,
            guarded(&TfrmWizard::btnOriginalSizeClick));
    connect(btnAdd, &QPushButton::clicked, this, guarded(&TfrmWizard::btnAddClick));
    connect(btnRemove, &QPushButton::clicked, this, guarded(&TfrmWizard::btnRemoveClick));
    connect(btnUp, &QPushButton::clicked, this, guarded(&TfrmWizard::btnUpClick));
    connect(btnDown, &QPushButton::clicked, this, guarded(&TfrmWizard::btnDownClick));

    const struct {
        QRadioButton* Button;
        TWizardKind Kind;
    } kinds[] = {{rbWizard, TWizardKind::Grid}, {rbEmpty, TWizardKind::Empty}};
    for (const auto& k : kinds)
        connect(k.Button, &QRadioButton::toggled, this, [this, kind = k.Kind](bool on) {
            if (on)
                GuardEvent(this, [&] {
                    FLogic.SelectKind(kind);
                    ShowState();
                });
        });
    connect(feSampleFile, &QLineEdit::textChanged, this, [this](const QString& text) {
        GuardEvent(this, [&] {
            FLogic.SetSampleText(text.toStdString());
            ShowState();
        });
    });
    connect(edtPicWidth, &QSpinBox::valueChanged, this,
            [this](int v) { GuardEvent(this, [&] { FLogic.SetNewWidth(v); }); });
    connect(edtPicHeight, &QSpinBox::valueChanged, this,
            [this](int v) { GuardEvent(this, [&] { FLogic.SetNewHeight(v); }); });
    Fields.Wire(this, FLogic.Params, [this] { ShowState(); });

    QItemSelectionModel* selection = lvPictures->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, [this] {
        GuardEvent(this, [&] { SelectionChanged(); });
        // One picture for each change of the selection, the current entry's
        // once the view has set it (it does after the selection).
        if (!FPreviewPending) {
            FPreviewPending = true;
            QTimer::singleShot(0, this, [this] { GuardEvent(this, [&] { ShowPreview(); }); });
        }
    });
    connect(selection, &QItemSelectionModel::currentChanged, this,
            [this] { GuardEvent(this, [&] { SelectionChanged(); }); });
}

bool TfrmWizard::Execute() {
    FLogic.Open();
    ShowPictures();
    ShowState();
    return exec() == QDialog::Accepted;
}

void TfrmWizard::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    // Centred on the screen.
    if (const QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    FocusPage();
}

void TfrmWizard::ClearPictures() {
    FLogic.Pictures.Clear();
    ShowPictures();
    ShowState();
}

void TfrmWizard::ShowState() {
    const int page = FLogic.Page();
    for (std::size_t i = 0; i < FNodes.size(); ++i) {
        QFont f = FNodes[i]->font();
        f.setBold(int(i) == page);
        FNodes[i]->setFont(f);
        FNodes[i]->setStyleSheet(int(i) == page ? QStringLiteral("color: white;") : QString());
        FNodes[i]->setText((int(i) == page ? QStringLiteral("\u25B8 ") : QStringLiteral("   ")) +
                           QString::fromLatin1(kPages[i].Title));
    }
    lbTitle->setText(QString::fromLatin1(kPages[page].Title));
    lbSubtitle->setText(QString::fromLatin1(kPages[page].Subtitle));
    WizardMain->setCurrentIndex(page);

    btnBack->setEnabled(FLogic.BackEnabled());
    btnNext->setEnabled(FLogic.NextEnabled());
    btnFinish->setEnabled(FLogic.FinishEnabled());
    // Enter presses "&Next >" while it works, otherwise "&Finish".
    btnNext->setDefault(FLogic.NextEnabled());
    btnFinish->setDefault(!FLogic.NextEnabled() && FLogic.FinishEnabled());

    {
        const QSignalBlocker a(rbWizard), b(rbEmpty);
        rbWizard->setChecked(FLogic.Kind() == TWizardKind::Grid);
        rbEmpty->setChecked(FLogic.Kind() == TWizardKind::Empty);
    }
    const QString sample = QString::fromStdString(FLogic.SampleText());
    if (feSampleFile->text() != sample) {
        const QSignalBlocker quiet(feSampleFile);
        feSampleFile->setText(sample);
    }
    feSampleFile->setEnabled(FLogic.SampleFieldEnabled());
    feSampleFileBrowse->setEnabled(FLogic.SampleFieldEnabled());
    edtPicWidth->ShowValue(FLogic.NewWidth());
    edtPicHeight->ShowValue(FLogic.NewHeight());
    edtPicWidth->setEnabled(FLogic.SizeFieldsEnabled());
    edtPicHeight->setEnabled(FLogic.SizeFieldsEnabled());
    Fields.Show(FLogic.Params);

    btnRemove->setEnabled(FLogic.Pictures.RemoveEnabled());
    btnUp->setEnabled(FLogic.Pictures.MoveEnabled());
    btnDown->setEnabled(FLogic.Pictures.MoveEnabled());
}

void TfrmWizard::ShowPictures() {
    const TPictureEntryList& list = FLogic.Pictures;
    const QSignalBlocker quietView(lvPictures);
    const QSignalBlocker quietSelection(lvPictures->selectionModel());
    lvPictures->setRowCount(list.Count());
    for (int i = 0; i < list.Count(); ++i) {
        const QString text = QString::fromStdString(list.Text(i));
        QTableWidgetItem* item = lvPictures->item(i, 0);
        if (!item) {
            item = new QTableWidgetItem;
            lvPictures->setItem(i, 0, item);
        }
        item->setText(text);
        item->setToolTip(text);
    }
    QItemSelectionModel* selection = lvPictures->selectionModel();
    selection->clearSelection();
    for (int i = 0; i < list.Count(); ++i)
        if (list.Selected(i))
            selection->select(lvPictures->model()->index(i, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->setCurrentIndex(list.Current() >= 0 ? lvPictures->model()->index(list.Current(), 0)
                                                   : QModelIndex(),
                               QItemSelectionModel::NoUpdate);
    lvPictures->viewport()->update();
}

void TfrmWizard::SelectionChanged() {
    std::vector<int> rows;
    for (const QModelIndex& index : lvPictures->selectionModel()->selectedRows())
        rows.push_back(index.row());
    FLogic.Pictures.SetSelection(rows, lvPictures->currentRow());
}

void TfrmWizard::ShowPreview() {
    FPreviewPending = false;
    const std::string file = FLogic.PreviewFile();
    if (file.empty())
        return;
    // A picture that cannot be decoded leaves the preview as it was.
    TBitmap32 picture;
    PreviewLoader(file, picture);
    ImgPreview->SetBitmap(picture);
}

void TfrmWizard::ShowSampleMessage(TSampleResult Result) {
    const std::string text = SampleMessage(Result);
    if (text.empty())
        return;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), QString::fromStdString(text),
                    QMessageBox::Ok, this);
    box.exec();
}

void TfrmWizard::FocusPage() {
    switch (FLogic.Page()) {
    case 0:
        (rbEmpty->isChecked() ? rbEmpty : rbWizard)->setFocus();
        break;
    case 1:
        Fields.edtResizeWidth->setFocus();
        break;
    default:
        lvPictures->setFocus();
        break;
    }
}

void TfrmWizard::btnNextClick() {
    const TSampleResult result = FLogic.Next();
    ShowState();
    FocusPage();
    ShowSampleMessage(result);
}

void TfrmWizard::btnBackClick() {
    FLogic.Back();
    ShowState();
    FocusPage();
}

void TfrmWizard::btnFinishClick() {
    if (!FLogic.FinishEnabled())
        return;
    const std::string refusal = FLogic.FinishRefusal();
    if (!refusal.empty()) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                        QString::fromStdString(refusal), QMessageBox::Ok, this);
        box.exec();
        return;
    }
    accept();
}

void TfrmWizard::feSampleFileButtonClick() {
    const QString folder = QString::fromStdString(FLogic.SampleDialogFolder());
    const bool chosen = SampleDlg->Execute(folder);
    const TSampleResult result =
        FLogic.SampleDialogClosed(chosen ? SampleDlg->Files.first().toStdString() : std::string());
    ShowState();
    ShowSampleMessage(result);
}

void TfrmWizard::btnOriginalSizeClick() {
    FLogic.UseOriginalDimensions();
    ShowState();
}

void TfrmWizard::btnAddClick() {
    if (OpenPicDlg->Execute(QString::fromStdString(FLogic.Params.Option().ScrIniPath))) {
        std::vector<std::string> files;
        for (const QString& f : OpenPicDlg->Files)
            files.push_back(f.toStdString());
        FLogic.AddPictures(files, [this](int Index) {
            const QString text = QString::fromStdString(FLogic.Pictures.Text(Index));
            const QSignalBlocker quiet(lvPictures);
            lvPictures->setRowCount(Index + 1);
            auto* item = new QTableWidgetItem(text);
            item->setToolTip(text);
            lvPictures->setItem(Index, 0, item);
            // The list repaints as it grows; nothing the user does runs meanwhile.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    }
    ShowPictures();
    ShowState();
}

void TfrmWizard::btnRemoveClick() {
    if (FLogic.Pictures.RemoveSelected())
        ShowPictures();
    ShowState();
}

void TfrmWizard::Move(int Step) {
    if (FLogic.Pictures.MoveFirstSelected(Step) < 0)
        return;
    ShowPictures();
    lvPictures->setFocus();
}

void TfrmWizard::btnUpClick() {
    Move(-1);
}

void TfrmWizard::btnDownClick() {
    Move(1);
}
