#include "TarnApplication.h"

#include "ErrorReport.h"
#include "Fonts.h"

TarnApplication::TarnApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("TarnPromotion"));
    installChineseFontSubstitutes();
}

bool TarnApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ErrorReport::show(std::current_exception());
        return false;
    }
}
