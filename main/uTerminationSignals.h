// Ending the desktop program politely when the system asks it to stop.
#pragma once

class QWidget;

// On SIGTERM, SIGINT or SIGHUP (a logout, a shutdown, Ctrl+C in a terminal) the
// window is closed the ordinary way, so that its settings and log are written.
// A second signal ends the program at once. Does nothing where there are no
// such signals.
void CloseOnTerminationSignals(QWidget* Window);
