#include "StartUp.h"

#include "TarnApplication.h"

#include "ErrorReport.h"
#include "FrmTarnPromotion.h"
#include "Getdata.h"

bool createWindows()
{
    try {
        FormTarnPromotion = new TFormTarnPromotion();
    } catch (...) {
        FormTarnPromotion = nullptr;
        ErrorReport::show(std::current_exception());
        return false;
    }
    // The dialog is created hidden; each lookup replaces it with a fresh instance.
    return ErrorReport::guard([] { RecreateLookup(); });
}

int runTarnPromotion(int argc, char **argv)
{
    TarnApplication::blockTerminationSignals();
    TarnApplication app(argc, argv);
    if (!createWindows())
        return 1;
    app.quitOnTerminationSignals();
    FormTarnPromotion->setAttribute(Qt::WA_DeleteOnClose);
    FormTarnPromotion->show();
    return app.exec();
}
