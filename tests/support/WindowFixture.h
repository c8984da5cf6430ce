#pragma once

#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QObject;
class TestDatabase;
class TFormTarnPromotion;
class TFrmgetdata;

// The promotion window over a test database: a site folder with the database's
// "dbxconnections.ini" and a "Vantor.dat" of prefix "PM", which the tool takes for the
// folder of its executable while the fixture lives.
class WindowFixture
{
public:
    explicit WindowFixture(const TestDatabase &db);

    QString siteFolder() const { return m_site.path(); }

    // A new window, shown and active.
    static std::unique_ptr<TFormTarnPromotion> openWindow();
    // Discards the window once the lookup dialogs it showed are gone.
    static void closeWindow(std::unique_ptr<TFormTarnPromotion> &window);
    // Types the two dates into the period bar and runs the period button; false when
    // the action ended with an error or a silent abort.
    static bool openPeriod(TFormTarnPromotion &window, const QString &start, const QString &end);
    // Answers the modal lookup dialog once it is up (it appears inside the handler
    // under test); context owns the polling timer.
    static void whenLookupShows(QObject *context, const std::function<void(TFrmgetdata *)> &answer);

private:
    QTemporaryDir m_site;
};
