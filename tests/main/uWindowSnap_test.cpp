#include "main/uWindowSnap.h"

#include "main/uMain.h"
#include "tests/main/MainWindowFixture.h"

#include <QScreen>

namespace {

TEST(WindowSnap, SidesWithinThirtyPixelsMoveOntoTheEdge) {
    const QRect area(0, 0, 1000, 800);
    struct Case {
        QRect Frame;
        QPoint Expected;
    };
    const Case cases[] = {
        {QRect(300, 200, 400, 300), QPoint(300, 200)}, // far from every edge
        {QRect(30, 200, 400, 300), QPoint(0, 200)},    // exactly 30 from the left
        {QRect(31, 31, 400, 300), QPoint(31, 31)},     // 31: stays
        {QRect(-20, -5, 400, 300), QPoint(0, 0)},      // partly off the screen
        {QRect(580, 480, 400, 300), QPoint(600, 500)}, // near the right and bottom
        {QRect(620, 200, 400, 300), QPoint(600, 200)}, // 20 over the right edge
        {QRect(10, 10, 990, 790), QPoint(0, 0)},       // near both: left and top win
    };
    for (const Case& c : cases)
        EXPECT_EQ(SnapToEdges(c.Frame, area), c.Expected) << c.Frame.x() << "," << c.Frame.y();
    // A work area that does not start at the origin (a panel on the left).
    EXPECT_EQ(SnapToEdges(QRect(60, 100, 200, 100), QRect(48, 0, 952, 800)), QPoint(48, 100));
}

using WindowSnapping = MainWindowTest;

TEST_F(WindowSnapping, AMovedWindowSnapsToTheScreenEdge) {
    if (!WindowsCanPlaceThemselves())
        GTEST_SKIP() << "the window system places the windows";
    WriteSetupIni(QStringLiteral("[Setup]\r\nWinWidth=300\r\nWinHeight=200\r\n"));
    auto win = Start();
    const QRect area = win->screen()->availableGeometry();
    win->move(area.x() + 12, area.y() + 100);
    EXPECT_TRUE(WaitFor([&] { return win->frameGeometry().x() == area.x(); }));
    EXPECT_EQ(win->frameGeometry().y(), area.y() + 100);
    win->move(area.x() + 100, area.y() + 100);
    QTest::qWait(10);
    EXPECT_EQ(win->frameGeometry().topLeft(), QPoint(area.x() + 100, area.y() + 100));
}

} // namespace
