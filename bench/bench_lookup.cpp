// The lookup dialog on the 1M-product database: the time from "開始尋找" until the first
// rows of a prefix search that matches every product are shown (the result is fetched
// in packets of 1000), against fetching the same first 1000 rows of the same statement
// through the database layer alone, in the same run. The time to fetch every matching
// row is printed beside it, for what the packets save.

#include "BenchReport.h"
#include "TouchSink.h"
#include "QuietPrompter.h"

#include "Getdata.h"
#include "LookupGrid.h"
#include "RadioGroup.h"
#include "Prompter.h"

#include "ConnectionParams.h"
#include "DataSetProvider.h"
#include "DataSource.h"
#include "DbError.h"
#include "RecordSet.h"
#include "RowSink.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {


// The product lookup's select list (81 columns).
const char productColumns[] =
    "PROD_ID,PROD_BARCODE,PROD_NAME,STD_COST,SALE_PRICE,PSALE_PRICE,VIP_PRICE,P_PRICE,"
    "CR_PRICE,PROVIDER_ID,PROVIDER_NAME,PROD_ID2,PROD_SCALE,PROD_SNAME,UNITNAME,PACK1_QTY,"
    "PACK1,PACK1_BARCODE,PACK2_QTY,PACK2,PACK2_BARCODE,PUT_IT,IN_PACK,SAL_PACK,STOCK_QTY,"
    "FIRST_COST,AVG_COST,MAVG_COST,IN_TAG,SAL_TAG,DEL_FLAG,FLAG,HI_ITEMID,MID_ITEMID,"
    "PD_ITEMID,PD_ITEMNAME,PD_CLASSID,PD_CLASSNAME,CR_DATE,PHOTO_PATH,DESCRIPTION,SAFE_DAY,"
    "SAFE_QTY,BEFORE_QTY,NOW_QTY,NEAR_INDATE,NEAR_SALDATE,ABC,PT_CLASS,BILL_CLASS,MAKE_POINT,"
    "SHOW_QTY,CHG_DATE,CHG_USER,TAX_KIND,BUY_CLASS,MS,INI_DATE,END_DATE,PUT_ID,P_PU,CHG_TIME,"
    "PRN_CODE_YN,P_PU2,MEM_DISCOUNT,U_DIS,HEAD_NO,WEB_SHOW,N_PRICE,P_PRICE2,NET_COST,ADD_COST,"
    "PUT_FACE,PUT_X,PUT_Y,LEND_QTY,FREE_TAX,SEND_YN,DE_RATE,ERN_RATE,P_VALUE";

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QString path = qEnvironmentVariable("TARN_BENCH_DATA")
                         + QStringLiteral("/products-1000000.fdb");
    if (!QFileInfo::exists(path)) {
        std::printf("bench_lookup: %s not found (set TARN_BENCH_DATA; scripts/bench makes it)\n",
                    qPrintable(path));
        return 0;
    }
    QTemporaryDir exeDir; // for "Search.ini"
    overrideExecutableFolder(exeDir.path() + QLatin1Char('/'));
    QuietPrompter prompts;
    Prompter::setCurrent(&prompts);

    try {
        SqlConnection connection;
        connection.setParams(ConnectionParams::embedded(path));
        connection.open();

        // The caller's side, as the product lookup prepares it.
        const QString columns = QString::fromLatin1(productColumns);
        SqlQuery callerQuery(&connection);
        DataSetProvider callerProvider(&callerQuery);
        RecordSet products(QStringLiteral("CDS_PRODUCT"));
        products.setProvider(&callerProvider);
        products.setPacketRecords(1000);
        products.setCommandText(QStringLiteral("select First 1000 skip 0 ") + columns
                                + QStringLiteral(" from PRODUCT\norder by PROD_ID"));
        DataSource search;
        LookupFields = columns + QLatin1Char(' ');
        search.setDataSet(&products);
        products.open();

        const int runs = 3;
        std::vector<double> firstRows;
        std::vector<double> firstFetched;
        std::vector<double> allRows;
        int matching = 0;
        for (int run = 0; run < runs; ++run) {
            RecreateLookup();
            TFrmgetdata *dialog = Frmgetdata;
            dialog->SQLDataSet1->setConnection(&connection);
            dialog->LookupSource = &search;
            dialog->LookupTable = QStringLiteral("PRODUCT");
            dialog->LookupDataSet = &products;
            dialog->LookupTail = QStringLiteral(" ORDER BY PROD_ID");
            dialog->show();
            QCoreApplication::processEvents();

            // Every product's barcode starts with 471.
            dialog->ComboBox1->setCurrentIndex(1); // PROD_BARCODE
            dialog->RadioGroup1->setItemIndex(1);  // prefix
            dialog->Edit1->setText(QStringLiteral("471"));
            QElapsedTimer timer;
            timer.start();
            dialog->SpeedButton1Click();
            dialog->DBGrid1->viewport()->repaint();
            firstRows.push_back(timer.nsecsElapsed() / 1e6);
            if (search.dataSet() != dialog->CDS_Query
                || dialog->CDS_Query->recordCount() != 1000) {
                std::printf("bench_lookup: the search did not show a first packet (%s)\n",
                            qPrintable(prompts.texts.join(QLatin1Char(' '))));
                return 1;
            }

            // Reference: the same statement, its first 1000 rows through the layer alone.
            {
                SqlQuery first(&connection);
                first.setText(dialog->lastStatement());
                TouchSink sink;
                timer.restart();
                first.open();
                first.fetchInto(sink, 1000);
                firstFetched.push_back(timer.nsecsElapsed() / 1e6);
                first.close();
                if (sink.rows != 1000)
                    std::printf("bench_lookup: %lld first rows fetched\n", sink.rows);
            }

            // For comparison: every matching row fetched.
            SqlQuery allQuery(&connection);
            DataSetProvider allProvider(&allQuery);
            RecordSet all(QStringLiteral("all"));
            all.setProvider(&allProvider);
            all.setCommandText(dialog->lastStatement());
            timer.restart();
            all.open();
            allRows.push_back(timer.nsecsElapsed() / 1e6);
            matching = all.recordCount();
            all.close();

            dialog->reject();
            delete Frmgetdata;
        }
        std::printf("bench_lookup: %d matching rows, median of %d runs; fetching them all "
                    "takes %.0f ms\n",
                    matching, runs, median(allRows));
        benchReport("lookup search, first 1000 rows shown", median(firstRows), "ms",
                    median(firstFetched), "db fetch");
    } catch (const DbError &e) {
        std::printf("bench_lookup: %s\n", qPrintable(e.message()));
        return 1;
    }
    Prompter::setCurrent(nullptr);
    return 0;
}
