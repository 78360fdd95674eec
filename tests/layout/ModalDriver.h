// Driving modal dialogs from a test: a body runs on the modal window of a type
// once it is up, from a timer of the dialog's own event loop.
#pragma once

#include "tests/engine/GuiApplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

// Runs Body once on the first active modal window of type T.
template <typename T> class TOnModal {
public:
    explicit TOnModal(std::function<void(T&)> Body) : FBody(std::move(Body)) {
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!w)
                return;
            FTimer.stop();
            Ran = true;
            FBody(*w);
        });
        FTimer.start(5);
    }
    TOnModal(const TOnModal&) = delete;
    TOnModal& operator=(const TOnModal&) = delete;
    bool Ran = false;

private:
    std::function<void(T&)> FBody;
    QTimer FTimer;
};

// Closes every modal dialog that is still up after Seconds, failing the test,
// so that a test that forgot one ends instead of waiting forever.
class TModalTimeout {
public:
    explicit TModalTimeout(int Seconds = 20) {
        QObject::connect(&FTimer, &QTimer::timeout, [] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ADD_FAILURE() << "a modal dialog was left open: " << d->windowTitle().toStdString();
                d->reject();
            }
        });
        FTimer.start(Seconds * 1000);
    }

private:
    QTimer FTimer;
};

// Answers the next message box with OK and keeps what it showed.
struct TBoxSeen {
    bool Seen = false;
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
};

class TMessageBoxOk {
public:
    TMessageBoxOk()
        : FOnBox([this](QMessageBox& box) {
              Box.Seen = true;
              Box.Title = box.windowTitle();
              Box.Text = box.text();
              Box.Icon = box.icon();
              box.button(QMessageBox::Ok)->click();
          }) {}
    TBoxSeen Box;

private:
    TOnModal<QMessageBox> FOnBox;
};
