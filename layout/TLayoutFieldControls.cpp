#include "layout/TLayoutFieldControls.h"

#include "CommUnit/TColorSelect.h"
#include "CommUnit/TIntegerEdit.h"
#include "engine/uEventErrors.h"
#include "layout/TLayoutParams.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

namespace {

template <typename T> T* Named(T* Widget, const char* Name) {
    Widget->setObjectName(QString::fromLatin1(Name));
    return Widget;
}

TIntegerEdit* Field(QWidget* Parent, const char* Name, const TFieldRange& Range) {
    auto* edit = Named(new TIntegerEdit(Parent), Name);
    edit->SetLimits(Range.Min, Range.Max, Range.Digits);
    return edit;
}

} // namespace

void TLayoutFieldControls::Create(QWidget* Parent, const char* AspectRatioCaption) {
    edtResizeWidth = Field(Parent, "edtResizeWidth", kSideRange);
    edtResizeHeight = Field(Parent, "edtResizeHeight", kSideRange);
    cbAspectRatio =
        Named(new QCheckBox(QString::fromLatin1(AspectRatioCaption), Parent), "cbAspectRatio");
    cbResizeType = Named(new QComboBox(Parent), "cbResizeType");
    for (const char* item : kResizeTypeItems)
        cbResizeType->addItem(QString::fromLatin1(item));
    FillColorSelect = Named(new TColorSelect(Parent), "FillColorSelect");
    edtRows = Field(Parent, "edtRows", kCountRange);
    edtCols = Field(Parent, "edtCols", kCountRange);
    edtSpace = Field(Parent, "edtSpace", kSpaceRange);
    plPicSize = Named(new QLabel(Parent), "plPicSize");
    plPicSize->setFrameShape(QFrame::Panel);
    plPicSize->setFrameShadow(QFrame::Sunken);
    plPicSize->setMinimumWidth(150);
    if (!BgColorSelect)
        BgColorSelect = Named(new TColorSelect(Parent), "BgColorSelect");
}

void TLayoutFieldControls::Wire(QWidget* Owner, TLayoutParams& Params,
                                std::function<void()> Changed) {
    // Runs Change on the params, then lets the owner show the outcome.
    auto handler = [Owner, Changed](auto Change) {
        return [Owner, Changed, Change](auto... Args) {
            GuardEvent(Owner, [&] {
                Change(Args...);
                Changed();
            });
        };
    };
    const struct {
        TIntegerEdit* Edit;
        void (TLayoutParams::*Set)(std::int64_t);
    } fields[] = {
        {edtResizeWidth, &TLayoutParams::SetResizeWidth},
        {edtResizeHeight, &TLayoutParams::SetResizeHeight},
        {edtRows, &TLayoutParams::SetRows},
        {edtCols, &TLayoutParams::SetCols},
        {edtSpace, &TLayoutParams::SetSpace},
    };
    for (const auto& f : fields)
        QObject::connect(f.Edit, &QSpinBox::valueChanged, Owner,
                         handler([&Params, set = f.Set](int v) { (Params.*set)(v); }));
    QObject::connect(cbAspectRatio, &QCheckBox::toggled, Owner,
                     handler([&Params](bool on) { Params.AspectRatio = on; }));
    QObject::connect(cbResizeType, &QComboBox::currentIndexChanged, Owner,
                     handler([&Params](int i) { Params.ChooseResizeType(i); }));
    QObject::connect(FillColorSelect, &TColorSelect::ColorChanged, Owner,
                     handler([&Params](TColor c) { Params.SetFillColor(c); }));
    QObject::connect(BgColorSelect, &TColorSelect::ColorChanged, Owner,
                     handler([&Params](TColor c) { Params.SetNewBg(c); }));
}

void TLayoutFieldControls::Show(const TLayoutParams& Params) {
    edtResizeWidth->ShowValue(Params.ResizeWidth());
    edtResizeHeight->ShowValue(Params.ResizeHeight());
    edtRows->ShowValue(Params.Rows());
    edtCols->ShowValue(Params.Cols());
    edtSpace->ShowValue(Params.Space());
    {
        const QSignalBlocker quiet(cbAspectRatio);
        cbAspectRatio->setChecked(Params.AspectRatio);
    }
    if (cbResizeType->currentIndex() != Params.ResizeTypeItem()) {
        const QSignalBlocker quiet(cbResizeType);
        cbResizeType->setCurrentIndex(Params.ResizeTypeItem());
    }
    FillColorSelect->SetColor(Params.FillColor());
    BgColorSelect->SetColor(Params.NewBg());
    plPicSize->setText(QString::fromStdString(Params.DimensionText()));
}
