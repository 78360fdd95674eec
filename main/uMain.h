// The main window.
#pragma once

#include <QMainWindow>

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void RestoreWindow();
    void StoreWindow();
    bool stored_ = false;
};
