// An application object for the tests that measure or draw text; made once
// and kept for the rest of the run. It is a QApplication, so that widget
// tests in the same executable can share it.
#pragma once

#include <QApplication>

inline void EnsureGuiApplication() {
    if (QCoreApplication::instance() != nullptr)
        return;
    static int Argc = 1;
    static char Name[] = "test_engine";
    static char* Argv[] = {Name, nullptr};
    static QApplication* App = new QApplication(Argc, Argv);
    (void)App;
}
