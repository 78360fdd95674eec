// One QApplication for the widget tests of this executable, made on first use.
#pragma once

#include <QApplication>

inline QApplication* WidgetTestApp() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return app;
    static int argc = 1;
    static char name[] = "test_engine";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}
