#include "main/uErrorMessage.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

void ShowErrorMessage(QWidget* Owner, const QString& Text) {
    QMessageBox::critical(Owner, QApplication::applicationName(), Text);
}

void RunCommand(QWidget* Owner, const std::function<void()>& Command) {
    try {
        Command();
    } catch (const std::exception& e) {
        ShowErrorMessage(Owner, QString::fromUtf8(e.what()));
    } catch (...) {
        ShowErrorMessage(Owner, QStringLiteral("An unknown error occurred."));
    }
}
