// The program's general error message: an error that escapes a command is shown
// with its own text, and the program goes on.
#pragma once

#include <QString>

#include <functional>

class QWidget;

// A modal error box owned by Owner (may be null), captioned with the
// application's title and showing Text.
void ShowErrorMessage(QWidget* Owner, const QString& Text);

// Runs Command; any exception that escapes it is shown with ShowErrorMessage.
void RunCommand(QWidget* Owner, const std::function<void()>& Command);
