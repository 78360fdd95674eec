#include "layout/uWizard.h"

#include "CommUnit/TColorSelect.h"
#include "CommUnit/TIntegerEdit.h"
#include "CommUnit/TPictureOpenDialog.h"
#include "engine/TBitmap32.h"
#include "engine/TImgView32.h"
#include "tests/layout/ModalDriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class Wizard : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TIniOption option;
    std::unique_ptr<TfrmWizard> wizard;

    void SetUp() override {
        EnsureGuiApplication();
        ASSERT_TRUE(dir.isValid());
        wizard = std::make_unique<TfrmWizard>(option);
        // No real file dialog opens in a test.
        wizard->SampleDlg->Chooser = [](TPictureOpenDialog&, const QString&) { return false; };
        wizard->OpenPicDlg->Chooser = [](TPictureOpenDialog&, const QString&) { return false; };
    }

    QString Picture(const QString& name, int w, int h, QRgb colour = qRgb(200, 30, 30)) {
        QImage image(w, h, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = dir.filePath(name);
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }
    // Opens the wizard and runs Body on it while it is up; Body must close it.
    bool Run(std::function<void(TfrmWizard&)> Body) {
        TModalTimeout timeout;
        TOnModal<TfrmWizard> driver([&](TfrmWizard& w) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
            Body(w);
        });
        const bool finished = wizard->Execute();
        EXPECT_TRUE(driver.Ran);
        return finished;
    }
    void ChooseSample(const QString& file) {
        wizard->SampleDlg->Chooser = [file](TPictureOpenDialog& d, const QString&) {
            d.Files << file;
            return true;
        };
        wizard->feSampleFileBrowse->click();
    }
    void Add(const QStringList& files) {
        wizard->OpenPicDlg->Chooser = [files](TPictureOpenDialog& d, const QString&) {
            d.Files = files;
            return true;
        };
        wizard->btnAdd->click();
    }
    QStringList Rows() const {
        QStringList rows;
        for (int i = 0; i < wizard->lvPictures->rowCount(); ++i)
            rows << QFileInfo(wizard->lvPictures->item(i, 0)->text()).fileName();
        return rows;
    }
    void Select(std::initializer_list<int> rows) {
        wizard->lvPictures->clearSelection();
        for (int r : rows)
            wizard->lvPictures->selectionModel()->setCurrentIndex(
                wizard->lvPictures->model()->index(r, 0),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::qWait(1); // the preview follows once the selection has settled
    }
};

TEST_F(Wizard, FirstOpeningOffersOnlyCancelAndEscapeCancels) {
    const bool finished = Run([](TfrmWizard& w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("Create wizard"));
        EXPECT_EQ(w.WizardMain->currentWidget(), w.wp1);
        EXPECT_EQ(w.lbTitle->text(), QStringLiteral("What kind"));
        EXPECT_EQ(w.lbSubtitle->text(),
                  QStringLiteral("Please select a method for creating a new picture. And then "
                                 "setup a background-color for the new picture."));
        EXPECT_FALSE(w.rbWizard->isChecked());
        EXPECT_FALSE(w.rbEmpty->isChecked());
        EXPECT_FALSE(w.btnBack->isEnabled());
        EXPECT_FALSE(w.btnNext->isEnabled());
        EXPECT_FALSE(w.btnFinish->isEnabled());
        EXPECT_TRUE(w.btnCancel->isEnabled());
        EXPECT_FALSE(w.edtPicWidth->isEnabled());
        EXPECT_FALSE(w.feSampleFile->isEnabled());
        EXPECT_EQ(w.edtPicWidth->value(), 480);
        EXPECT_EQ(w.Fields.plPicSize->text(), QStringLiteral(" 486 x 890 (px)"));
        EXPECT_EQ(w.Fields.BgColorSelect->Color(), 0xFFFFFF);
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    EXPECT_FALSE(finished);
}

TEST_F(Wizard, EmptyPictureFinishesFromPageOneWithEnter) {
    option.NewWidth = 100;
    const bool finished = Run([](TfrmWizard& w) {
        w.rbEmpty->click();
        EXPECT_TRUE(w.edtPicWidth->isEnabled());
        EXPECT_TRUE(w.btnFinish->isEnabled());
        EXPECT_FALSE(w.btnNext->isEnabled());
        w.edtPicWidth->setFocus();
        w.edtPicWidth->selectAll();
        QTest::keyClicks(w.edtPicWidth, QStringLiteral("1234"));
        QTest::keyClick(w.edtPicWidth, Qt::Key_Return);
    });
    EXPECT_TRUE(finished);
    EXPECT_FALSE(wizard->GridFlag());
    EXPECT_EQ(option.NewWidth, 1234);
}

TEST_F(Wizard, SampleCouplesTheCellSizeAndBadSamplesAreRefused) {
    const QString sample = Picture("sample.png", 1600, 1200);
    QFile bad(dir.filePath("bad.png"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    Run([&](TfrmWizard& w) {
        w.rbWizard->click();
        EXPECT_TRUE(w.feSampleFile->isEnabled());
        EXPECT_FALSE(w.btnNext->isEnabled());
        w.Fields.cbAspectRatio->setChecked(true);
        ChooseSample(sample);
        EXPECT_EQ(w.feSampleFile->text(), sample);
        EXPECT_TRUE(w.btnNext->isEnabled());
        EXPECT_EQ(w.Fields.edtResizeHeight->value(), 180);
        EXPECT_EQ(w.Fields.plPicSize->text(), QStringLiteral(" 486 x 730 (px)"));

        {
            TMessageBoxOk answer;
            ChooseSample(bad.fileName());
            EXPECT_TRUE(answer.Box.Seen);
            EXPECT_EQ(answer.Box.Title, QStringLiteral("Error"));
            EXPECT_EQ(answer.Box.Text, QStringLiteral("Sorry. Can not open this picture!"));
            EXPECT_EQ(answer.Box.Icon, QMessageBox::Critical);
        }
        EXPECT_EQ(w.feSampleFile->text(), sample) << "the field keeps the good sample";

        // Page 2 by Enter; the coupling is in force there.
        // (The offscreen platform does not give the activation back by itself.)
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(w.feSampleFile, Qt::Key_Return);
        ASSERT_EQ(w.WizardMain->currentWidget(), w.wp2);
        EXPECT_EQ(w.lbTitle->text(), QStringLiteral("Setup parameters"));
        EXPECT_TRUE(w.Fields.edtResizeWidth->hasFocus());
        w.Fields.edtResizeWidth->selectAll();
        QTest::keyClicks(w.Fields.edtResizeWidth, QStringLiteral("400"));
        EXPECT_EQ(w.Fields.edtResizeHeight->value(), 300);
        EXPECT_EQ(option.ResizeHeight, 300);
        w.btnOriginalSize->click();
        EXPECT_EQ(w.Fields.edtResizeWidth->value(), 1600);
        EXPECT_EQ(w.Fields.edtResizeHeight->value(), 1200);
        w.btnCancel->click();
    });
    EXPECT_EQ(option.ResizeWidth, 1600) << "Cancel keeps every change";
}

TEST_F(Wizard, PictureListAndPreview) {
    const QString a = Picture("a.png", 40, 20), b = Picture("b.png", 30, 60),
                  c = Picture("c.png", 10, 10);
    int decoded = 0;
    wizard->PreviewLoader = [&](const std::string& file, TBitmap32& picture) {
        ++decoded;
        picture.LoadFromFile(file);
    };
    Run([&](TfrmWizard& w) {
        w.rbWizard->click();
        w.feSampleFile->setText(a);
        w.btnNext->click();
        w.btnNext->click();
        ASSERT_EQ(w.WizardMain->currentWidget(), w.wp3);
        EXPECT_TRUE(w.lvPictures->hasFocus());
        EXPECT_FALSE(w.btnRemove->isEnabled());
        EXPECT_FALSE(w.btnUp->isEnabled());
        EXPECT_TRUE(w.btnFinish->isDefault());

        Add({a, b, a, c});
        EXPECT_EQ(Rows(), (QStringList{"a.png", "b.png", "c.png"}));
        EXPECT_TRUE(w.btnRemove->isEnabled());
        EXPECT_TRUE(w.btnDown->isEnabled());

        Select({2});
        EXPECT_EQ(decoded, 1);
        EXPECT_EQ(w.ImgPreview->Bitmap().Width(), 10);
        w.btnUp->click();
        EXPECT_EQ(Rows(), (QStringList{"a.png", "c.png", "b.png"}));
        EXPECT_EQ(w.lvPictures->currentRow(), 1);
        EXPECT_TRUE(w.lvPictures->item(1, 0)->isSelected());
        EXPECT_TRUE(w.lvPictures->hasFocus());

        // Selecting everything decodes one picture, the current entry's.
        decoded = 0;
        w.lvPictures->selectAll();
        QTest::qWait(1);
        EXPECT_EQ(decoded, 1);
        EXPECT_EQ(w.ImgPreview->Bitmap().Width(), 10);

        Select({0, 2});
        w.btnRemove->click();
        EXPECT_EQ(Rows(), (QStringList{"c.png"}));
        EXPECT_FALSE(w.btnUp->isEnabled());
        EXPECT_FALSE(w.btnDown->isEnabled());
        w.btnFinish->click();
    });
    EXPECT_TRUE(wizard->GridFlag());
    EXPECT_EQ(wizard->PictureFiles(), (std::vector<std::string>{c.toStdString()}));
    // The list is there at the next opening until a grid empties it.
    Run([](TfrmWizard& w) {
        EXPECT_EQ(w.lvPictures->rowCount(), 1);
        w.reject();
    });
    wizard->ClearPictures();
    EXPECT_EQ(wizard->lvPictures->rowCount(), 0);
}

TEST_F(Wizard, FinishRefusesACanvasTooLargeAndStaysOpen) {
    const QString sample = Picture("s.png", 20, 20);
    const bool finished = Run([&](TfrmWizard& w) {
        w.rbWizard->click();
        w.feSampleFile->setText(sample);
        w.btnNext->click();
        w.Fields.edtRows->setValue(999);
        w.Fields.edtCols->setValue(999);
        w.Fields.edtResizeWidth->setValue(9999);
        w.btnNext->click();
        {
            TMessageBoxOk answer;
            w.btnFinish->click();
            EXPECT_TRUE(answer.Box.Seen);
            EXPECT_EQ(answer.Box.Title, QStringLiteral("Error"));
            EXPECT_TRUE(answer.Box.Text.contains(QStringLiteral("9991001 x 221780")));
        }
        EXPECT_TRUE(w.isVisible());
        w.btnBack->click();
        w.Fields.edtRows->setValue(4);
        w.Fields.edtCols->setValue(2);
        w.btnNext->click();
        w.btnFinish->click();
    });
    EXPECT_TRUE(finished);
}

TEST_F(Wizard, TabReachesEveryControlOfEachPage) {
    const QString sample = Picture("s.png", 20, 20);
    Run([&](TfrmWizard& w) {
        w.rbWizard->click();
        w.feSampleFile->setText(sample);
        Add({sample, Picture("t.png", 20, 20)});
        const std::vector<std::vector<QWidget*>> pages = {
            {w.rbWizard, w.feSampleFile, w.feSampleFileBrowse, w.Fields.BgColorSelect, w.btnNext,
             w.btnCancel},
            {w.Fields.edtResizeWidth, w.Fields.edtResizeHeight, w.btnOriginalSize,
             w.Fields.cbAspectRatio, w.Fields.cbResizeType, w.Fields.FillColorSelect,
             w.Fields.edtRows, w.Fields.edtCols, w.Fields.edtSpace, w.btnBack, w.btnNext,
             w.btnCancel},
            {w.btnAdd, w.btnRemove, w.btnUp, w.btnDown, w.lvPictures, w.btnBack, w.btnFinish,
             w.btnCancel},
        };
        for (std::size_t p = 0; p < pages.size(); ++p) {
            if (p > 0)
                w.btnNext->click();
            pages[p].front()->setFocus();
            std::vector<QWidget*> reached;
            for (std::size_t i = 0; i < pages[p].size(); ++i) {
                reached.push_back(QApplication::focusWidget());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            EXPECT_EQ(reached, pages[p]) << "page " << p + 1;
        }
        w.reject();
    });
}

} // namespace
