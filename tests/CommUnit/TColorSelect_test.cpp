#include "CommUnit/TColorSelect.h"

#include "tests/engine/GuiApplication.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

class ColorSelect : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApplication(); }

    QAction* Entry(TColorSelect& button, const QString& text) {
        for (QAction* a : button.PaletteMenu()->actions())
            if (a->text() == text)
                return a;
        return nullptr;
    }
    // Runs "&Other..." with the colour dialog answered by Answer.
    void Other(TColorSelect& button, std::function<void(QColorDialog&)> Answer) {
        bool answered = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            poll.stop();
            answered = true;
            Answer(*dialog);
        });
        poll.start(5);
        Entry(button, "&Other...")->trigger();
        EXPECT_TRUE(answered);
    }
    QRgb SwatchPixel(const TColorSelect& button) {
        return button.icon().pixmap(button.iconSize()).toImage().pixel(5, 5);
    }
};

TEST_F(ColorSelect, PaletteChoicesSignalOnlyChanges) {
    TColorSelect button;
    QSignalSpy changed(&button, &TColorSelect::ColorChanged);
    button.SetColor(0xFFFFFF);
    EXPECT_EQ(changed.count(), 0) << "the program's value is no change";
    EXPECT_TRUE(Entry(button, "White")->isChecked());

    int count = 0;
    TColorSelect::PaletteColors(count);
    EXPECT_EQ(button.PaletteMenu()->actions().size(), count + 2) << "a separator, then Other";
    EXPECT_EQ(button.PaletteMenu()->actions().last()->text(), QStringLiteral("&Other..."));

    Entry(button, "Red")->trigger();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 0x0000FF);
    EXPECT_EQ(button.Color(), 0x0000FF);
    EXPECT_EQ(SwatchPixel(button), qRgb(255, 0, 0));
    EXPECT_TRUE(Entry(button, "Red")->isChecked());
    Entry(button, "Red")->trigger();
    EXPECT_EQ(changed.count(), 1) << "the colour it shows already";
}

TEST_F(ColorSelect, OtherOffersAnyColour) {
    TColorSelect button;
    button.SetColor(0x123456);
    QSignalSpy changed(&button, &TColorSelect::ColorChanged);
    Other(button, [](QColorDialog& d) {
        EXPECT_EQ(d.currentColor(), QColor(0x56, 0x34, 0x12)) << "starts at the colour shown";
        d.setCurrentColor(QColor(10, 20, 30));
        d.accept();
    });
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(button.Color(), 0x1E140A);
    EXPECT_EQ(SwatchPixel(button), qRgb(10, 20, 30));

    Other(button, [](QColorDialog& d) {
        d.setCurrentColor(Qt::green);
        d.reject();
    });
    EXPECT_EQ(changed.count(), 1) << "a cancelled dialog changes nothing";
    EXPECT_EQ(button.Color(), 0x1E140A);
}

TEST_F(ColorSelect, SystemColoursShowResolved) {
    TColorSelect button;
    button.SetColor(clBtnFace);
    EXPECT_EQ(button.Color(), clBtnFace);
    EXPECT_EQ(SwatchPixel(button), QColor::fromRgb(ColorToColor32(clBtnFace)).rgb());
    for (QAction* a : button.PaletteMenu()->actions())
        EXPECT_FALSE(a->isChecked()) << a->text().toStdString();
}

} // namespace
