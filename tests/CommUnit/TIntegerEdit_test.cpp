#include "CommUnit/TIntegerEdit.h"

#include "tests/engine/GuiApplication.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class IntegerEdit : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApplication(); }
};

TEST_F(IntegerEdit, TypedValuesKeepTheDigitLimitAndTheRange) {
    TIntegerEdit edit;
    edit.SetLimits(2, 9999, 4);
    edit.setValue(240);
    edit.show();
    QSignalSpy changed(&edit, &QSpinBox::valueChanged);
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("12345"));
    EXPECT_EQ(edit.value(), 1234) << "a fifth digit cannot be typed";
    // 12, 123 and 1234 are changes; "1" alone is below the range.
    EXPECT_EQ(changed.count(), 3);

    // A value below the range is not taken; leaving the field restores the last one.
    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("1"));
    EXPECT_EQ(edit.value(), 1234);
    edit.clearFocus();
    QTest::keyClick(&edit, Qt::Key_Tab);
    EXPECT_EQ(edit.value(), 1234);
}

TEST_F(IntegerEdit, ProgramValuesAreClampedAndQuiet) {
    TIntegerEdit edit;
    edit.SetLimits(0, 999, 3);
    EXPECT_EQ(edit.MaxDigits(), 3);
    QSignalSpy changed(&edit, &QSpinBox::valueChanged);
    edit.ShowValue(-3);
    EXPECT_EQ(edit.value(), 0);
    edit.ShowValue(5000);
    EXPECT_EQ(edit.value(), 999);
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(edit.text(), QStringLiteral("999"));

    // The buttons and the arrow keys step it, each step a change.
    edit.show();
    QTest::keyClick(&edit, Qt::Key_Down);
    EXPECT_EQ(edit.value(), 998);
    EXPECT_EQ(changed.count(), 1);
}

} // namespace
