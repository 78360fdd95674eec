#include "layout/uResetPic.h"

#include "CommUnit/TColorSelect.h"
#include "CommUnit/TIntegerEdit.h"
#include "tests/layout/ModalDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

class Reset : public ::testing::Test {
protected:
    TIniOption option;
    void SetUp() override { EnsureGuiApplication(); }

    bool Run(TfrmReset& reset, std::function<void(TfrmReset&)> Body) {
        TModalTimeout timeout;
        TOnModal<TfrmReset> driver([&](TfrmReset& r) {
            // The guard comes down once the dialog is the active window.
            EXPECT_TRUE(QTest::qWaitForWindowActive(&r));
            Body(r);
        });
        const bool ok = reset.Execute();
        EXPECT_TRUE(driver.Ran);
        return ok;
    }
};

TEST_F(Reset, CouplesTheCellSizeOnceActiveAndKeepsValuesOnCancel) {
    TfrmReset reset(option);
    const bool ok = Run(reset, [](TfrmReset& r) {
        EXPECT_EQ(r.windowTitle(), QStringLiteral("Reset new picture"));
        EXPECT_EQ(r.Fields.edtRows->value(), 4);
        EXPECT_EQ(r.Fields.edtCols->value(), 2);
        EXPECT_EQ(r.Fields.edtResizeWidth->value(), 240);
        EXPECT_EQ(r.Fields.edtResizeHeight->value(), 220);
        EXPECT_EQ(r.Fields.edtSpace->value(), 2);
        EXPECT_EQ(r.Fields.cbResizeType->currentText(),
                  QStringLiteral("Resize (DONOT keep aspect ratio)"));
        EXPECT_EQ(r.Fields.plPicSize->text(), QStringLiteral(" 486 x 890 (px)"));
        EXPECT_TRUE(r.Fields.edtResizeWidth->hasFocus());
        EXPECT_TRUE(r.btnOK->isDefault());

        r.Fields.cbAspectRatio->setChecked(true);
        r.Fields.edtResizeWidth->selectAll();
        QTest::keyClicks(r.Fields.edtResizeWidth, QStringLiteral("480"));
        EXPECT_EQ(r.Fields.edtResizeHeight->value(), 440);
        EXPECT_EQ(r.Fields.plPicSize->text(), QStringLiteral(" 966 x 1770 (px)"));
        r.Fields.edtRows->setValue(2);
        QTest::keyClick(&r, Qt::Key_Escape);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(option.ResizeWidth, 480);
    EXPECT_EQ(option.ResizeHeight, 440);
    EXPECT_EQ(option.RowNumber, 2);

    // The box keeps its tick; unticked, the width changes alone.
    Run(reset, [](TfrmReset& r) {
        EXPECT_TRUE(r.Fields.cbAspectRatio->isChecked());
        r.Fields.cbAspectRatio->setChecked(false);
        r.Fields.edtResizeWidth->setValue(300);
        EXPECT_EQ(r.Fields.edtResizeHeight->value(), 440);
        r.btnCancel->click();
    });
}

TEST_F(Reset, OkWithEnterAndRefusalOfAGridTooLarge) {
    option.ResizeHeight = 0; // from an edited settings file
    TfrmReset reset(option);
    const bool ok = Run(reset, [](TfrmReset& r) {
        EXPECT_EQ(r.Fields.edtResizeHeight->value(), 2);
        r.Fields.edtRows->setValue(999);
        r.Fields.edtCols->setValue(999);
        r.Fields.edtResizeWidth->setValue(9999);
        {
            TMessageBoxOk answer;
            QTest::keyClick(r.Fields.edtCols, Qt::Key_Return);
            EXPECT_TRUE(answer.Box.Seen);
            EXPECT_EQ(answer.Box.Icon, QMessageBox::Critical);
        }
        EXPECT_TRUE(r.isVisible());
        r.Fields.edtCols->setValue(1);
        r.Fields.edtRows->setValue(1);
        QTest::keyClick(r.Fields.edtCols, Qt::Key_Return);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(option.ResizeHeight, 2);
    EXPECT_EQ(option.RowNumber, 1);
}

} // namespace
