#include "engine/uEventErrors.h"

#include <QtGlobal>

#include <utility>

namespace {

TEventErrorReporter& Reporter() {
    static TEventErrorReporter reporter;
    return reporter;
}

} // namespace

TEventErrorReporter SetEventErrorReporter(TEventErrorReporter NewReporter) {
    return std::exchange(Reporter(), std::move(NewReporter));
}

void ReportEventError(QWidget* Where, const std::string& Message) noexcept {
    try {
        if (Reporter())
            Reporter()(Where, Message);
        else
            qWarning("%s", Message.c_str());
    } catch (...) {
        // Nothing is left to tell it to.
    }
}
