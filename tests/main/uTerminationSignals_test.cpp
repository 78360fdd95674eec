#include "main/uTerminationSignals.h"

#include "tests/main/MainWindowFixture.h"

#include <csignal>

namespace {

#ifdef Q_OS_UNIX
TEST(TerminationSignals, ASignalClosesTheWindowTheOrdinaryWay) {
    MainTestApp();
    QWidget window;
    window.show();
    CloseOnTerminationSignals(&window);
    std::raise(SIGTERM); // handled: the process goes on
    EXPECT_TRUE(WaitFor([&] { return !window.isVisible(); }));
    // The next signal would end the process at once; put the default back so
    // that the test runner can still stop this executable.
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        std::signal(s, SIG_DFL);
}
#endif

} // namespace
