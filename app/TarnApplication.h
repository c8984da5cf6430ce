#pragma once

#include <QApplication>

// The application object. Every handler already runs through the general error report;
// notify() is the last line that keeps any exception out of Qt's event loop.
class TarnApplication : public QApplication
{
public:
    TarnApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

    // SIGTERM and SIGINT end the event loop, so that the window closes and the
    // database connections detach as on a normal close. blockTerminationSignals() must
    // run first thing in main, before any thread exists: the signals are then taken
    // from a signal descriptor on the event loop and never interrupt a thread of the
    // database engine (whose own handlers would not end the process, and whose waits
    // do not survive being interrupted).
    static void blockTerminationSignals();
    void quitOnTerminationSignals();
};
