// A QGuiApplication for the tests that measure or draw text; made once and
// kept for the rest of the run.
#pragma once

#include <QGuiApplication>

inline void EnsureGuiApplication() {
    if (QGuiApplication::instance() != nullptr)
        return;
    static int Argc = 1;
    static char Name[] = "test_engine";
    static char* Argv[] = {Name, nullptr};
    static QGuiApplication App(Argc, Argv);
}
