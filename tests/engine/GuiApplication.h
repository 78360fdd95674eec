// An application object for the tests that measure or draw text; made once
// and kept for the rest of the run. It is a QApplication, so that widget
// tests in the same executable can share it, and it is destroyed once all
// tests have run, so that the font caches it holds are released.
#pragma once

#include <QApplication>

#include <gtest/gtest.h>

class TGuiApplicationEnvironment : public ::testing::Environment {
public:
    explicit TGuiApplicationEnvironment(QApplication* App) : FApp(App) {}
    void TearDown() override {
        delete FApp;
        FApp = nullptr;
    }

private:
    QApplication* FApp;
};

inline void EnsureGuiApplication() {
    if (QCoreApplication::instance() != nullptr)
        return;
    static int Argc = 1;
    static char Name[] = "test_engine";
    static char* Argv[] = {Name, nullptr};
    ::testing::AddGlobalTestEnvironment(
        new TGuiApplicationEnvironment(new QApplication(Argc, Argv)));
}
