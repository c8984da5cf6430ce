#include "PeriodBill.h"

#include "BillNumber.h"
#include "SqlQuery.h"
#include "SqlText.h"

QStringList periodBillQueryLines()
{
    return {QStringLiteral("SELECT * FROM PSALE_MASTER "),
            QStringLiteral(" WHERE INI_DATE = :INI_DATE "),
            QStringLiteral(" AND END_DATE = :END_DATE "),
            QStringLiteral(" AND BILL_KIND = 'B' ")};
}

QStringList newBillInsertLines()
{
    return {QStringLiteral("Insert into PSALE_MASTER(MASTERBILLID,BILL_DATE,INI_DATE,END_DATE,"),
            QStringLiteral("REASON,CHG_DATE,OVER_AMT,PINI_DATE,PEND_DATE,BILL_TYPE,BILL_KIND)"),
            QStringLiteral(" VALUES(:MASTERBILLID,:BILL_DATE,:INI_DATE,:END_DATE,"),
            QStringLiteral(":REASON,:CHG_DATE,:OVER_AMT,:PINI_DATE,:PEND_DATE,:BILL_TYPE,:BILL_KIND) ")};
}

void setNewBillParams(SqlQuery &query, const QString &billNumber, const QString &start,
                      const QString &end, const QString &today)
{
    query.setParamText(QStringLiteral("MASTERBILLID"), billNumber.trimmed());
    query.setParamText(QStringLiteral("BILL_DATE"), today);
    query.setParamText(QStringLiteral("INI_DATE"), start);
    query.setParamText(QStringLiteral("END_DATE"), end);
    query.setParamText(QStringLiteral("REASON"), QStringLiteral("群組促銷"));
    query.setParamText(QStringLiteral("CHG_DATE"), today);
    query.setParamInteger(QStringLiteral("OVER_AMT"), 0);
    query.setParamText(QStringLiteral("PINI_DATE"), start);
    query.setParamText(QStringLiteral("PEND_DATE"), end);
    query.setParamText(QStringLiteral("BILL_TYPE"), QStringLiteral("0"));
    query.setParamText(QStringLiteral("BILL_KIND"), QStringLiteral("B"));
}

QString billProductsCommandText(const QString &billNumber)
{
    // The bill's distinct product numbers (index IX_PSALE_SUB_ITEM) joined to PRODUCT by
    // its key (PK_PRODUCT): "PROD_ID IN (SELECT ...)" would read every product.
    return QStringLiteral("SELECT P.* FROM (SELECT DISTINCT PROD_ID FROM PSALE_SUB WHERE "
                          "MASTERBILLID = ")
           + sqlQuote(billNumber)
           + QStringLiteral(") S JOIN PRODUCT P ON P.PROD_ID = S.PROD_ID ORDER BY P.PROD_ID");
}

bool insertPeriodBillUnlessExists(SqlQuery &work, const QString &candidate,
                                  const QString &start, const QString &end,
                                  const QString &today, PeriodBill *result)
{
    work.clear();
    for (const QString &line : periodBillQueryLines())
        work.addLine(line);
    work.setParamText(QStringLiteral("INI_DATE"), start);
    work.setParamText(QStringLiteral("END_DATE"), end);
    work.open();
    if (!work.eof() && !work.isNull(QStringLiteral("MASTERBILLID"))) {
        result->number = work.asString(QStringLiteral("MASTERBILLID"));
        result->created = false;
        work.close();
        return false;
    }
    work.close();
    work.clear();
    for (const QString &line : newBillInsertLines())
        work.addLine(line);
    setNewBillParams(work, candidate, start, end, today);
    work.execute();
    result->number = candidate;
    result->created = true;
    return true;
}

PeriodBill createPeriodBill(SqlQuery &counter, const QString &start, const QString &end,
                            const QString &today, const QString &prefix, int mode)
{
    PeriodBill result;
    SqlQuery work(counter.connection());
    takeBillNumber(counter, QStringLiteral("TEMP_PSALEID"), today, prefix, mode,
                   [&](const QString &candidate) {
                       return insertPeriodBillUnlessExists(work, candidate, start, end, today,
                                                           &result);
                   });
    return result;
}
