// The program's general error message: an error that escapes a command is shown
// with its own text, and the program goes on.
#pragma once

#include "engine/uEventErrors.h"

#include <QString>

#include <functional>

class QWidget;

// A modal error box owned by Owner (may be null), captioned with the
// application's title and showing Text.
void ShowErrorMessage(QWidget* Owner, const QString& Text);

// Runs Command; any exception that escapes it is shown with ShowErrorMessage.
void RunCommand(QWidget* Owner, const std::function<void()>& Command);

// A reporter for the controls' event handlers that shows each error in the box
// owned by Owner once the failed event is over (a box opened inside a paint
// would paint again and fail again). While its box is up, the same text is not
// shown a second time.
TEventErrorReporter ErrorBoxReporter(QWidget* Owner);
