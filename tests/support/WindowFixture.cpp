#include "WindowFixture.h"

#include "FrmTarnPromotion.h"
#include "Getdata.h"
#include "MaskEdit.h"
#include "TestDatabase.h"

#include "DemoData.h"
#include "ErrorReport.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

WindowFixture::WindowFixture(const TestDatabase &db)
{
    db.writeConnectionFile(m_site.path());
    DemoData::writeSiteConfig(m_site.filePath(QStringLiteral("Vantor.dat")), QStringLiteral("PM"));
    overrideExecutableFolder(m_site.path());
}

std::unique_ptr<TFormTarnPromotion> WindowFixture::openWindow()
{
    auto window = std::make_unique<TFormTarnPromotion>();
    window->show();
    QApplication::setActiveWindow(window.get());
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("the promotion window did not become active");
    return window;
}

void WindowFixture::closeWindow(std::unique_ptr<TFormTarnPromotion> &window)
{
    // A lookup dialog is discarded when control returns to the event loop, before the
    // window can go.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window.reset();
}

bool WindowFixture::openPeriod(TFormTarnPromotion &window, const QString &start, const QString &end)
{
    window.MaskEdit1->setText(start);
    window.MaskEdit2->setText(end);
    return ErrorReport::guard([&window] { window.SpeedButton1Click(); });
}

void WindowFixture::whenLookupShows(
    QObject *context, const std::function<void(TFrmgetdata *)> &answer)
{
    auto *timer = new QTimer(context);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, context, [timer, tries, answer] {
        auto *dialog = qobject_cast<TFrmgetdata *>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        } else if (++*tries > 250) {
            timer->stop();
            timer->deleteLater();
            qWarning("the lookup dialog did not show");
        }
    });
    timer->start(20);
}
