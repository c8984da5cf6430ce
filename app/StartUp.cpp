#include "StartUp.h"

#include "StartUpSplash.h"
#include "TarnApplication.h"

#include "ErrorReport.h"
#include "FrmTarnPromotion.h"
#include "Getdata.h"
#include "RecordSet.h"

#include <functional>

bool createWindows(StartUpSplash *splash)
{
    try {
        std::function<void(int)> progress;
        if (splash)
            progress = [splash](int rows) { splash->rowsLoaded(rows); };
        FormTarnPromotion = new TFormTarnPromotion(nullptr, progress);
    } catch (...) {
        FormTarnPromotion = nullptr;
        if (splash)
            splash->close(); // the error box must not sit behind it
        ErrorReport::show(std::current_exception());
        return false;
    }
    if (splash)
        splash->rowsLoaded(FormTarnPromotion->ClientDataSet1->recordCount(), true);
    // The dialog is created hidden; each lookup replaces it with a fresh instance.
    return ErrorReport::guard([] { RecreateLookup(); });
}

int runTarnPromotion(int argc, char **argv)
{
    TarnApplication::blockTerminationSignals();
    TarnApplication app(argc, argv);
    StartUpSplash splash;
    splash.showNow();
    if (!createWindows(&splash))
        return 1;
    app.quitOnTerminationSignals();
    FormTarnPromotion->setAttribute(Qt::WA_DeleteOnClose);
    FormTarnPromotion->show(); // the splash closes as the window shows
    return app.exec();
}
