#include "ErrorReport.h"

#include "Prompter.h"

#include "DbError.h"
#include "SilentAbort.h"

#include <QDebug>

bool ErrorReport::guard(const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (...) {
        show(std::current_exception());
        return false;
    }
}

QString ErrorReport::textOf(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const SilentAbort &) {
        return {};
    } catch (const DbError &e) {
        return e.message();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

void ErrorReport::show(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const SilentAbort &) {
        return;
    } catch (const DbError &e) {
        if (!e.statement().isEmpty())
            qDebug().noquote() << "statement failed:" << e.statement();
        Prompter::current().error(e.message());
    } catch (...) {
        Prompter::current().error(textOf(std::current_exception()));
    }
}
