// Errors of the handlers that the controls run from the window system's events
// (mouse, keys, wheel, painting, scrolling). Qt's event loop must never see an
// exception: the controls catch every one and pass its text to one reporter,
// which the program sets to its error box.
#pragma once

#include <exception>
#include <functional>
#include <string>

class QWidget;

// Where is the control whose handler failed; Message is the error's own text.
using TEventErrorReporter = std::function<void(QWidget* Where, const std::string& Message)>;

// Sets the reporter for the whole program (an empty one restores the default,
// which writes a warning to the log). Returns the one it replaces.
TEventErrorReporter SetEventErrorReporter(TEventErrorReporter Reporter);

// Passes an error to the reporter; a reporter that fails itself is ignored.
void ReportEventError(QWidget* Where, const std::string& Message) noexcept;

// Runs Handler; whatever it throws is reported and goes no further.
template <typename THandler> void GuardEvent(QWidget* Where, THandler&& Handler) noexcept {
    try {
        Handler();
    } catch (const std::exception& e) {
        ReportEventError(Where, e.what());
    } catch (...) {
        ReportEventError(Where, "An unknown error occurred.");
    }
}
