#include "engine/TColor32.h"

#include "tests/engine/GuiApplication.h"

#include <QPalette>

#include <gtest/gtest.h>

TEST(ColorConversion, PlainColoursSwapRedAndBlueAndBecomeOpaque) {
    EXPECT_EQ(ColorToColor32(0x00FF0000), 0xFF0000FFu); // blue
    EXPECT_EQ(ColorToColor32(0x000000FF), 0xFFFF0000u); // red
    EXPECT_EQ(ColorToColor32(0x00123456), 0xFF563412u);
    EXPECT_EQ(ColorToColor32(clWhite), 0xFFFFFFFFu);
    EXPECT_EQ(MakeColor32(0x12, 0x34, 0x56, 0x78), 0x78123456u);
    EXPECT_EQ(MakeColor32(1, 2, 3), 0xFF010203u);
}

// Runs before any test has made an application.
TEST(ColorConversion, SystemColoursWithoutAnApplicationUseTheClassicScheme) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
        GTEST_SKIP() << "an application already exists";
    EXPECT_EQ(ColorToColor32(clBtnFace), 0xFFF0F0F0u);
    EXPECT_EQ(ColorToColor32(clAppWorkSpace), 0xFFABABABu);
    EXPECT_EQ(ColorToColor32(static_cast<TColor>(0xFF00000Du)), 0xFF0078D7u); // highlight
    EXPECT_EQ(ColorToColor32(static_cast<TColor>(0xFF0000FFu)), 0xFF000000u); // unknown
}

TEST(ColorConversion, SystemColoursFollowTheApplicationPalette) {
    EnsureGuiApplication();
    const QPalette Saved = QGuiApplication::palette();
    QPalette P = Saved;
    P.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
    QGuiApplication::setPalette(P);
    EXPECT_EQ(ColorToColor32(clBtnFace), 0xFF010203u);
    // Only the low byte of a system colour counts.
    EXPECT_EQ(ColorToColor32(static_cast<TColor>(0x8012340Fu)), 0xFF010203u);
    EXPECT_EQ(SystemColor(COLOR_BTNFACE), 0x030201);
    // Entries without a palette role keep the classic value.
    EXPECT_EQ(SystemColor(COLOR_ACTIVECAPTION), 0xD1B499);
    QGuiApplication::setPalette(Saved);
}
