#include "CommUnit/TThumbnailViewer.h"
#include "engine/TImgView32.h"
#include "main/TLeftPanel.h"
#include "tests/main/MainWindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <QWheelEvent>

namespace {

class LayerEditing : public StartedWindowTest {
protected:

    // An empty canvas with one 100 x 50 picture at (10, 20), selected; its
    // top-left pixel is red, the rest blue.
    TBitmapLayer* OneLayer() {
        QImage img(100, 50, QImage::Format_RGB32);
        img.fill(QColor(0, 0, 255));
        img.setPixel(0, 0, qRgb(255, 0, 0));
        const QString name = pictureDir.filePath(QStringLiteral("one.png"));
        EXPECT_TRUE(img.save(name, "PNG"));
        doc->GridMode = false;
        win->RebuildPicture();
        win->AddPictureLayer(name.toStdString(), TPoint{10, 20}, 0, 0, 0, 0);
        return dynamic_cast<TBitmapLayer*>(doc->SelectedLayer);
    }
    // A grid of Count pictures with their thumbnails.
    void Grid(int Count) {
        doc->GridMode = true;
        doc->AddPictures(Pictures(Count));
        win->RebuildPicture();
        win->UpdateActions();
    }
    TBitmapLayer* LayerWithTag(int Tag) {
        for (int i = 0; i < win->ImgView->Layers().Count(); ++i)
            if (auto* l = dynamic_cast<TBitmapLayer*>(win->ImgView->Layers().Items(i)))
                if (l->Tag == Tag)
                    return l;
        return nullptr;
    }
    void Run(const char* Action) { win->Action(QString::fromLatin1(Action))->trigger(); }
    static void ExpectLocation(const TRectF& r, float l, float t, float rr, float b) {
        EXPECT_EQ(r.Left, l);
        EXPECT_EQ(r.Top, t);
        EXPECT_EQ(r.Right, rr);
        EXPECT_EQ(r.Bottom, b);
    }
};

TEST_F(LayerEditing, TypingIntoTheZoomBox) {
    OneLayer();
    QLineEdit* line = win->LeftPanel->ScaleCombo->lineEdit();
    line->clear();
    EXPECT_FLOAT_EQ(win->ImgView->Scale(), 1.0f) << "a cleared box leaves the zoom";
    EXPECT_EQ(line->text(), QString());
    const struct {
        char Key;
        float Scale;
        const char* Text;
    } steps[] = {{'1', 0.01f, "1%"}, {'5', 0.15f, "15%"}, {'0', 1.5f, "150%"}};
    for (const auto& s : steps) {
        QTest::keyClicks(line, QString(QLatin1Char(s.Key)));
        EXPECT_FLOAT_EQ(win->ImgView->Scale(), s.Scale) << s.Text;
        EXPECT_EQ(line->text(), QString::fromLatin1(s.Text));
        EXPECT_EQ(line->cursorPosition(), line->text().size() - 1);
    }
    // 250% and one more 0: refused, the box shows the zoom there is.
    line->setText(QStringLiteral("250%"));
    line->setCursorPosition(3);
    QTest::keyClicks(line, QStringLiteral("0"));
    EXPECT_FLOAT_EQ(win->ImgView->Scale(), 2.5f);
    EXPECT_EQ(line->text(), QStringLiteral("250%"));
    // Delete and the arrows edit the box's text and leave the layer alone.
    const TRectF before = doc->SelectedLayer ? static_cast<TPositionedLayer*>(doc->SelectedLayer)->Location()
                                             : TRectF{};
    line->setFocus();
    QTest::keyClick(line, Qt::Key_Left);
    QTest::keyClick(line, Qt::Key_Delete);
    EXPECT_NE(doc->SelectedLayer, nullptr);
    ExpectLocation(static_cast<TPositionedLayer*>(doc->SelectedLayer)->Location(), before.Left,
                   before.Top, before.Right, before.Bottom);
}

TEST_F(LayerEditing, TheWheelZoomsInTenthSteps) {
    OneLayer();
    const auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(50, 50), win->ImgView->mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(win->ImgView, &e);
        return win->LeftPanel->ScaleCombo->currentText();
    };
    EXPECT_EQ(wheel(120), QStringLiteral("91%"));
    EXPECT_EQ(wheel(120), QStringLiteral("83%"));
    EXPECT_EQ(wheel(-120), QStringLiteral("91%"));
    EXPECT_EQ(wheel(-120), QStringLiteral("100%"));
    EXPECT_EQ(wheel(-120), QStringLiteral("110%"));
    EXPECT_FLOAT_EQ(win->ImgView->Scale(), 1.1f);
}

TEST_F(LayerEditing, ArrowKeysMoveTheLayerWithItsFrame) {
    TBitmapLayer* layer = OneLayer();
    ASSERT_NE(layer, nullptr);
    win->ImgView->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(win->ImgView, Qt::Key_Right);
    QTest::keyClick(win->ImgView, Qt::Key_Up);
    ExpectLocation(layer->Location(), 13, 19, 113, 69);
    ExpectLocation(doc->RubberBand->Location(), 13, 19, 113, 69);
}

TEST_F(LayerEditing, QuarterTurnsAboutTheCentre) {
    TBitmapLayer* layer = OneLayer();
    Run("ActRotate90");
    ExpectLocation(layer->Location(), 35, -5, 85, 95);
    ASSERT_EQ(layer->Bitmap().Width(), 50);
    ASSERT_EQ(layer->Bitmap().Height(), 100);
    EXPECT_EQ(layer->Bitmap().Pixel(49, 0), 0xFFFF0000u) << "the old top-left is top-right";
    ExpectLocation(doc->RubberBand->Location(), 35, -5, 85, 95);
    Run("ActRotate180");
    ExpectLocation(layer->Location(), 35, -5, 85, 95);
    EXPECT_EQ(layer->Bitmap().Pixel(0, 99), 0xFFFF0000u);
    Run("ActRotate270");
    ExpectLocation(layer->Location(), 10, 20, 110, 70);
    EXPECT_EQ(layer->Bitmap().Pixel(99, 49), 0xFFFF0000u);
    Run("ActFlipHorz");
    EXPECT_EQ(layer->Bitmap().Pixel(0, 49), 0xFFFF0000u);
    Run("ActFlipVert");
    EXPECT_EQ(layer->Bitmap().Pixel(0, 0), 0xFFFF0000u);
}

TEST_F(LayerEditing, OneDeletePerPressChosenByFocus) {
    Grid(6);
    TThumbnailViewer* list = win->LeftPanel->lvPicList;
    ASSERT_EQ(list->Count(), 6);
    doc->SelectLayer(LayerWithTag(2));
    list->SetSelectedIndex(0);
    // The canvas has the focus: the selected layer goes, with its entry.
    win->ImgView->setFocus();
    QTest::keyClick(win->ImgView, Qt::Key_Delete);
    EXPECT_EQ(doc->PicFileList.size(), 5u);
    EXPECT_EQ(doc->ImgPicList.size(), 5u);
    EXPECT_EQ(list->Count(), 5);
    EXPECT_EQ(doc->SelectedLayer, nullptr);
    // The pictures after it keep tags equal to their new places in the list.
    for (int tag = 0; tag < 5; ++tag) {
        TBitmapLayer* l = LayerWithTag(tag);
        ASSERT_NE(l, nullptr) << tag;
        EXPECT_EQ(l->Location().Left, tag < 2 ? (tag % 2 == 0 ? 2 : 244) : ((tag + 1) % 2 == 0 ? 2 : 244));
    }
    EXPECT_FALSE(win->ReloadTimer->isActive()) << "deleting a layer rebuilds nothing";

    // The list has the focus: its selected entry goes, the layers stay.
    const int layersBefore = win->ImgView->Layers().Count();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(doc->PicFileList.size(), 4u);
    EXPECT_EQ(win->ImgView->Layers().Count(), layersBefore);
    EXPECT_EQ(LayerWithTag(-1) != nullptr, true) << "the layer of the removed entry has none";
}

TEST_F(LayerEditing, UpOneLevelAboveTheFrameAndBack) {
    Grid(2);
    TBitmapLayer* last = LayerWithTag(1);
    doc->SelectLayer(last);
    TLayerCollection& layers = win->ImgView->Layers();
    ASSERT_EQ(last->Index(), layers.Count() - 2);
    Run("ActPictureUp");
    EXPECT_EQ(last->Index(), layers.Count() - 1) << "above the frame";
    // A press on it selects it again and brings the frame back on top.
    const TRect r = win->ImgView->BitmapRect();
    const QPoint inside(r.Left + int(last->Location().Left) + 100,
                        r.Top + int(last->Location().Top) + 100);
    QTest::mousePress(win->ImgView, Qt::LeftButton, Qt::NoModifier, inside);
    QTest::mouseRelease(win->ImgView, Qt::LeftButton, Qt::NoModifier, inside);
    EXPECT_EQ(doc->SelectedLayer, last);
    EXPECT_EQ(doc->RubberBand->Index(), layers.Count() - 1);
    // Down One Level at the bottom changes nothing; Send to Back and Bring Front.
    Run("ActSendBack");
    EXPECT_EQ(last->Index(), 0);
    Run("ActPictureDown");
    EXPECT_EQ(last->Index(), 0);
    Run("ActBringFront");
    EXPECT_EQ(last->Index(), layers.Count() - 2);
}

TEST_F(LayerEditing, OpacityCroppingAndFlatten) {
    Grid(2);
    TBitmapLayer* first = LayerWithTag(0);
    TBitmapLayer* second = LayerWithTag(1);
    doc->SelectLayer(first);
    win->LeftPanel->LayerOpacity->setValue(128);
    EXPECT_EQ(first->Bitmap().MasterAlpha(), 128);
    win->LeftPanel->cbCropped->click();
    EXPECT_TRUE(first->Cropped());
    // The box and the slider show the selected layer's own values.
    doc->SelectLayer(second);
    EXPECT_FALSE(win->LeftPanel->cbCropped->isChecked());
    EXPECT_EQ(win->LeftPanel->LayerOpacity->value(), 255);
    EXPECT_FALSE(first->Cropped() == second->Cropped());
    doc->SelectLayer(first);
    EXPECT_TRUE(win->LeftPanel->cbCropped->isChecked());
    EXPECT_EQ(win->LeftPanel->LayerOpacity->value(), 128);

    // Flatten: the canvas holds the blend of the half-transparent layer.
    const TColor32 picture = first->Bitmap().Pixel(10, 10);
    const TColor32 under = win->ImgView->Bitmap().Pixel(2 + 10, 2 + 10);
    Run("ActFlattenPicture");
    EXPECT_EQ(win->ImgView->Layers().Count(), 0);
    EXPECT_EQ(doc->RubberBand, nullptr);
    EXPECT_EQ(doc->PicFileList.size(), 2u);
    const TColor32 flat = win->ImgView->Bitmap().Pixel(12, 12);
    for (int shift : {0, 8, 16}) {
        const int p = int((picture >> shift) & 0xFF), u = int((under >> shift) & 0xFF);
        EXPECT_NEAR(int((flat >> shift) & 0xFF), (p * 128 + u * 127) / 255, 1) << shift;
    }
}

TEST_F(LayerEditing, CtrlDraggingAnEdgeResizesAboutTheCentre) {
    TBitmapLayer* layer = OneLayer();
    win->ImgView->SetScale(1.0f);
    QCoreApplication::processEvents();
    const TRect r = win->ImgView->BitmapRect();
    // The right edge's handle, half way down.
    const QPoint from(r.Left + 110, r.Top + 45);
    const auto move = [&](QPoint p, Qt::KeyboardModifiers keys) {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), win->ImgView->mapToGlobal(QPointF(p)),
                      Qt::NoButton, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(win->ImgView, &e);
    };
    QTest::mousePress(win->ImgView, Qt::LeftButton, Qt::ControlModifier, from);
    move(from + QPoint(5, 0), Qt::ControlModifier);
    move(from + QPoint(10, 0), Qt::ControlModifier);
    QTest::mouseRelease(win->ImgView, Qt::LeftButton, Qt::ControlModifier, from + QPoint(10, 0));
    // 10 more to the right, and 10 more to the left about the same centre.
    ExpectLocation(layer->Location(), 0, 20, 120, 70);

    // Without Ctrl the frame's own result stands.
    const QPoint edge(r.Left + 120, r.Top + 45);
    QTest::mousePress(win->ImgView, Qt::LeftButton, Qt::NoModifier, edge);
    move(edge + QPoint(5, 0), Qt::NoModifier);
    move(edge + QPoint(10, 0), Qt::NoModifier);
    QTest::mouseRelease(win->ImgView, Qt::LeftButton, Qt::NoModifier, edge + QPoint(10, 0));
    ExpectLocation(layer->Location(), 0, 20, 130, 70);
}

} // namespace
