#include "CommUnit/TThumbnailViewer.h"

#include "engine/uEventErrors.h"
#include "tests/engine/GuiApplication.h"

#include <QDir>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

QImage Solid(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Each channel within Tolerance.
bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

class ThumbnailViewer : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApplication(); }

    // A shown viewer of the picture list's kind, without a frame, whose
    // viewport is width x height once the scroll bar is shown (three columns
    // at width 300). The bar's width is added, so the columns stay the same
    // whether the bar is shown or not.
    static std::unique_ptr<TThumbnailViewer> MakeViewer(int width, int height, int count) {
        auto viewer = std::make_unique<TThumbnailViewer>();
        viewer->setFrameShape(QFrame::NoFrame);
        const int bar = viewer->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr,
                                                     viewer->verticalScrollBar());
        viewer->resize(width + bar, height);
        viewer->SetCount(count);
        viewer->show();
        return viewer;
    }

    static void Press(TThumbnailViewer* v, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mousePress(v->viewport(), b, Qt::NoModifier, p);
        QTest::mouseRelease(v->viewport(), b, Qt::NoModifier, p);
    }

    // On failure the picture goes next to the test's output, to be looked at.
    static void KeepOnFailure(const QImage& image, const char* name) {
        if (::testing::Test::HasFailure())
            image.save(QDir::current().filePath(QString("%1.png").arg(name)));
    }
};

TEST_F(ThumbnailViewer, PressesSelectThenReport) {
    auto viewer = MakeViewer(300, 150, 5); // items 0-2 in row 0, 3-4 in row 1
    struct Seen {
        Qt::MouseButton button;
        int selected; // what the callback sees
        QPoint pos;
    };
    std::vector<Seen> seen;
    viewer->OnMouseDown = [&](Qt::MouseButton b, Qt::KeyboardModifiers, QPoint p) {
        seen.push_back({b, viewer->SelectedIndex(), p});
    };
    const QPoint item4 = viewer->ItemRect(4).center();
    ASSERT_EQ(item4, QPoint(127, 97));

    Press(viewer.get(), item4);
    EXPECT_EQ(viewer->SelectedIndex(), 4);
    Press(viewer.get(), viewer->ItemRect(0).center(), Qt::RightButton);
    EXPECT_EQ(viewer->SelectedIndex(), 4);
    Press(viewer.get(), viewer->ItemRect(1).center(), Qt::MiddleButton);
    EXPECT_EQ(viewer->SelectedIndex(), 4);
    Press(viewer.get(), {86, 30}); // between items 0 and 1
    EXPECT_EQ(viewer->SelectedIndex(), -1);
    Press(viewer.get(), viewer->ItemRect(1).center());
    Press(viewer.get(), {200, 100}); // where item 5 would be
    EXPECT_EQ(viewer->SelectedIndex(), -1);
    Press(viewer.get(), {50, 140}); // below the last row
    EXPECT_EQ(viewer->SelectedIndex(), -1);

    ASSERT_EQ(seen.size(), 7u);
    const std::vector<std::pair<Qt::MouseButton, int>> expected = {
        {Qt::LeftButton, 4}, {Qt::RightButton, 4}, {Qt::MiddleButton, 4}, {Qt::LeftButton, -1},
        {Qt::LeftButton, 1}, {Qt::LeftButton, -1}, {Qt::LeftButton, -1}};
    for (std::size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].button, expected[i].first) << "press " << i;
        EXPECT_EQ(seen[i].selected, expected[i].second) << "press " << i;
    }
    EXPECT_EQ(seen[0].pos, item4); // in viewport coordinates
}

TEST_F(ThumbnailViewer, MovesTrackTheItemUnderTheMouse) {
    auto viewer = MakeViewer(300, 150, 5);
    std::vector<std::pair<Qt::MouseButtons, QPoint>> moves;
    viewer->OnMouseMove = [&](Qt::MouseButtons b, Qt::KeyboardModifiers, QPoint p) {
        moves.emplace_back(b, p);
    };
    auto move = [&](QPoint p) { QTest::mouseMove(viewer->viewport(), p); };

    move(viewer->ItemRect(1).center());
    EXPECT_EQ(viewer->HotIndex(), -1) << "only while hot tracking is on";
    viewer->SetHotTrack(true);
    move(viewer->ItemRect(2).center());
    EXPECT_EQ(viewer->HotIndex(), 2);
    move({86, 30}); // a gap
    EXPECT_EQ(viewer->HotIndex(), -1);
    move(viewer->ItemRect(4).center());
    EXPECT_EQ(viewer->HotIndex(), 4);
    viewer->SetCount(4); // the item under the mouse is gone
    EXPECT_EQ(viewer->HotIndex(), -1);
    move(viewer->ItemRect(0).center());
    viewer->SetHotTrack(false);
    EXPECT_EQ(viewer->HotIndex(), -1);

    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().second, viewer->ItemRect(0).center()); // in viewport coordinates
}

TEST_F(ThumbnailViewer, TakesFocusOnClick) {
    QWidget window;
    auto* before = new QWidget(&window);
    before->setFocusPolicy(Qt::StrongFocus);
    auto* viewer = new TThumbnailViewer(&window);
    viewer->setGeometry(0, 20, 105, 200);
    viewer->SetCount(3);
    window.resize(105, 220);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    before->setFocus();
    ASSERT_FALSE(viewer->hasFocus());
    QTest::mouseClick(viewer->viewport(), Qt::LeftButton, Qt::NoModifier, {10, 10});
    EXPECT_TRUE(viewer->hasFocus());
    EXPECT_EQ(viewer->SelectedIndex(), 0);
}

TEST_F(ThumbnailViewer, SelectionFollowsTheCountRule) {
    auto viewer = MakeViewer(300, 150, 3);
    for (int i = 0; i < 3; ++i)
        viewer->SetCaption(i, QString(QChar('A' + i)));
    auto captions = [&] {
        QString s;
        for (int i = 0; i < viewer->Count(); ++i)
            s += viewer->Caption(i);
        return s;
    };

    viewer->SetSelectedIndex(1);
    viewer->SetCount(2); // still below the new count: stays
    EXPECT_EQ(viewer->SelectedIndex(), 1);
    viewer->SetSelectedIndex(1);
    viewer->SetCount(1); // not below: none
    EXPECT_EQ(viewer->SelectedIndex(), -1);

    // Deleting B of A, B, C while it is selected leaves C selected.
    viewer->SetCount(0);
    for (const char* c : {"A", "B", "C"})
        viewer->InsertItem(viewer->Count(), QImage(), c);
    viewer->SetSelectedIndex(1);
    viewer->RemoveItem(1);
    EXPECT_EQ(captions(), "AC");
    EXPECT_EQ(viewer->SelectedIndex(), 1);
    // Deleting the selected last item leaves none.
    viewer->RemoveItem(1);
    EXPECT_EQ(viewer->SelectedIndex(), -1);

    // Growing keeps the index; moving an item keeps it too.
    viewer->InsertItem(1, QImage(), "B");
    viewer->InsertItem(2, QImage(), "C");
    viewer->SetSelectedIndex(2);
    viewer->InsertItem(0, QImage(), "Z");
    EXPECT_EQ(viewer->SelectedIndex(), 2);
    viewer->MoveItem(3, 1);
    EXPECT_EQ(captions(), "ZCAB");
    EXPECT_EQ(viewer->SelectedIndex(), 2);
    viewer->MoveItem(0, 3);
    EXPECT_EQ(captions(), "CABZ");

    viewer->SetSelectedIndex(7); // outside the items
    EXPECT_EQ(viewer->SelectedIndex(), -1);
    viewer->SetSelectedIndex(3);
    viewer->Clear();
    EXPECT_EQ(viewer->SelectedIndex(), -1);
    EXPECT_EQ(viewer->Count(), 0);
}

TEST_F(ThumbnailViewer, IndexErrors) {
    auto viewer = MakeViewer(300, 150, 2);
    EXPECT_THROW(viewer->SetImage(2, QImage()), std::out_of_range);
    EXPECT_THROW(viewer->SetCaption(-1, "x"), std::out_of_range);
    EXPECT_THROW(viewer->RemoveItem(2), std::out_of_range);
    EXPECT_THROW(viewer->MoveItem(0, 2), std::out_of_range);
    EXPECT_THROW(viewer->InsertItem(3, QImage()), std::out_of_range);
    EXPECT_THROW(viewer->SetCount(-1), std::invalid_argument);
    EXPECT_EQ(viewer->Count(), 2);
    viewer->InsertItem(2, QImage(), "appended");
    EXPECT_EQ(viewer->Caption(2), "appended");
}

TEST_F(ThumbnailViewer, KeysMoveTheSelectionAndScrollItIntoView) {
    auto viewer = MakeViewer(300, 150, 20); // 3 columns, 7 rows, scrolls up to 302
    int changes = 0;
    std::vector<int> selected;
    viewer->OnSelectionChanged = [&] {
        ++changes;
        selected.push_back(viewer->SelectedIndex());
    };
    int downs = 0;
    viewer->OnMouseDown = [&](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) { ++downs; };

    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Down, Qt::Key_End, Qt::Key_Right,
                        Qt::Key_Home, Qt::Key_Left, Qt::Key_PageDown})
        QTest::keyClick(viewer.get(), key);
    EXPECT_EQ(selected, (std::vector<int>{0, 1, 4, 19, 0, 6}));
    EXPECT_EQ(changes, 6) << "keys that cannot move the selection report nothing";
    EXPECT_EQ(downs, 0);

    QTest::keyClick(viewer.get(), Qt::Key_End);
    EXPECT_EQ(viewer->verticalScrollBar()->value(), 302);
    QTest::keyClick(viewer.get(), Qt::Key_Home);
    EXPECT_EQ(viewer->verticalScrollBar()->value(), 0);
    // Setting the selection scrolls too, without a report.
    viewer->SetSelectedIndex(12);
    EXPECT_EQ(viewer->verticalScrollBar()->value(), 174);
    EXPECT_EQ(changes, 8);
}

TEST_F(ThumbnailViewer, VisibleRangeFollowsScrollingResizingAndCount) {
    auto viewer = MakeViewer(300, 150, 0);
    std::vector<std::pair<int, int>> ranges;
    viewer->OnVisibleRangeChanged = [&](int first, int last) { ranges.emplace_back(first, last); };

    viewer->SetCount(20);
    QScrollBar* bar = viewer->verticalScrollBar();
    EXPECT_EQ(bar->singleStep(), 64); // one row
    EXPECT_EQ(bar->maximum(), 302);
    bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    bar->setValue(bar->value() + 1); // the same items: no report
    bar->setValue(bar->maximum());
    viewer->resize(viewer->width(), 214); // one more row
    viewer->SetCount(21);                 // item 20 fills the last row
    viewer->Clear();

    const std::vector<std::pair<int, int>> expected = {{0, 8},  {3, 11}, {12, 19},
                                                       {9, 19}, {9, 20}, {-1, -1}};
    EXPECT_EQ(ranges, expected);
    EXPECT_EQ(viewer->VisibleRange(), (TThumbnailRange{-1, -1}));
}

TEST_F(ThumbnailViewer, PicturesAtTheirPlacesAndTheSelectedCellHighlighted) {
    // Two cells in one row: the viewport is 200 x 100 with no bar.
    auto viewer = MakeViewer(200, 100, 2);
    viewer->resize(200, 100);
    const QRgb background = qRgb(0x20, 0x40, 0x60);
    viewer->SetColor(0x00604020); // a form colour: blue, green, red
    QImage marked = Solid(70, 50, qRgb(255, 0, 0));
    marked.setPixel(0, 0, qRgb(0, 0, 255));
    viewer->SetImage(0, marked);                          // drawn 1:1 at (4 + 5, 4 + 5)
    viewer->SetImage(1, Solid(160, 60, qRgb(0, 255, 0))); // shrunk to 80 x 30 at (88, 19)
    viewer->SetSelectedIndex(1);
    EXPECT_EQ(viewer->Image(1).size(), QSize(80, 30)) << "a large picture is kept shrunk";
    EXPECT_EQ(viewer->Image(0).size(), QSize(70, 50));

    const QImage shot = viewer->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(200, 100));
    const QRgb highlight = viewer->palette().color(QPalette::Highlight).rgb();
    ASSERT_FALSE(Near(highlight, background, 16));
    struct Probe {
        int x, y;
        QRgb colour;
        int tolerance; // only the edges of the shrunk picture may be blended
    } probes[] = {
        {9, 9, qRgb(0, 0, 255), 0},    // the marked first pixel of the 1:1 picture
        {10, 9, qRgb(255, 0, 0), 0},   // the picture beside it
        {78, 58, qRgb(255, 0, 0), 0},  // its last pixel
        {8, 9, background, 0},         // the unselected cell left of it
        {79, 58, background, 0},       // and right of it
        {3, 3, background, 0},         // the margin
        {85, 30, background, 0},       // the gap beyond the selection's band
        {88, 4, highlight, 0},         // the selected cell above its picture
        {87, 3, highlight, 0},         // the band around it
        {167, 63, highlight, 0},       // its bottom-right corner
        {169, 65, highlight, 0},       // the band's bottom-right corner
        {170, 66, background, 0},      // just beyond the band
        {88, 18, highlight, 0},        // just above the shrunk picture
        {88, 19, qRgb(0, 255, 0), 8},  // its top-left edge
        {167, 48, qRgb(0, 255, 0), 8}, // its bottom-right edge
        {128, 34, qRgb(0, 255, 0), 0}, // its inside
        {128, 49, highlight, 0},       // just below it
        {50, 80, background, 0},       // below the row
    };
    for (const Probe& p : probes)
        EXPECT_TRUE(Near(shot.pixel(p.x, p.y), p.colour, p.tolerance))
            << "at " << p.x << "," << p.y << ": " << std::hex << shot.pixel(p.x, p.y)
            << " instead of " << p.colour;
    KeepOnFailure(shot, "thumbnail_viewer_cells");
}

TEST_F(ThumbnailViewer, CaptionsUnderThePictureElidedToTheCell) {
    // The explorer's kind: 140 x 120 cells in one column, a 2-pixel margin, captions.
    auto viewer = MakeViewer(300, 260, 2);
    viewer->SetCellSize({140, 120});
    viewer->SetMaxColumns(1);
    viewer->SetImageMargin(2);
    viewer->SetShowCaptions(true);
    viewer->SetColor(0x00FFFFFF);
    viewer->SetCaptionColor(0x00000000);
    viewer->SetCaption(0, "b.png");
    const QString longName = QString("a picture with a very long name ").repeated(4) + ".jpg";
    viewer->SetCaption(1, longName);
    viewer->SetImage(0, Solid(400, 300, qRgb(0, 0, 255)));

    EXPECT_EQ(viewer->ShownCaption(0), "b.png");
    const QString shown = viewer->ShownCaption(1);
    EXPECT_LT(shown.size(), longName.size());
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)) || shown.endsWith("...")) << shown.toStdString();
    EXPECT_TRUE(longName.startsWith(shown.left(shown.size() - 3)));
    EXPECT_LE(viewer->fontMetrics().horizontalAdvance(shown), 136);

    const QRect box = viewer->Layout().ImageBox(0);
    const QRect caption = viewer->Layout().CaptionRect(0);
    const QImage shot = viewer->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto darkPixels = [&](const QRect& r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += qGray(shot.pixel(x, y)) < 128;
        return n;
    };
    EXPECT_GT(darkPixels(caption), 0) << "the caption is drawn";
    EXPECT_EQ(darkPixels(QRect(4, 4, 140, 2)), 0) << "the margin stays blank";
    // The picture shrunk into the box keeps its ratio: 400 x 300 into 136 x (120 - 4 - caption).
    const QRect picture = TThumbnailLayout::FitRect({400, 300}, box);
    EXPECT_EQ(viewer->Image(0).size(), picture.size());
    EXPECT_EQ(shot.pixel(picture.center()), qRgb(0, 0, 255));
    KeepOnFailure(shot, "thumbnail_viewer_captions");
}

TEST_F(ThumbnailViewer, HandlerErrorsAreReportedNotPassedOn) {
    std::vector<std::string> reported;
    const TEventErrorReporter previous = SetEventErrorReporter(
        [&](QWidget*, const std::string& message) { reported.push_back(message); });
    auto viewer = MakeViewer(300, 150, 20);
    viewer->OnMouseDown = [](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
        throw std::runtime_error("down");
    };
    viewer->OnSelectionChanged = [] { throw std::runtime_error("key"); };
    viewer->OnVisibleRangeChanged = [](int, int) { throw std::runtime_error("range"); };
    Press(viewer.get(), {10, 10});
    QTest::keyClick(viewer.get(), Qt::Key_Right);
    viewer->verticalScrollBar()->setValue(200);
    SetEventErrorReporter(previous);
    EXPECT_EQ(reported, (std::vector<std::string>{"down", "key", "range"}));
    EXPECT_EQ(viewer->SelectedIndex(), 1) << "the selection changed before the report failed";
}

} // namespace
