#pragma once

#include <QApplication>

// The application object. Every handler already runs through the general error report;
// notify() is the last line that keeps any exception out of Qt's event loop.
class TarnApplication : public QApplication
{
public:
    TarnApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
