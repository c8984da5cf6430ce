#include "DemoData.h"

#include "SchemaSql.h"

#include "DbError.h"
#include "IniFile.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QDate>
#include <QFile>
#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace DemoData {

QStringList schemaStatements()
{
    QStringList out;
    QString current;
    const QStringList lines = QString::fromUtf8(kSchemaSql).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1String("--")))
            continue;
        current += line + QLatin1Char('\n');
        if (t.endsWith(QLatin1Char(';'))) {
            current = current.trimmed();
            current.chop(1);
            out.append(current);
            current.clear();
        }
    }
    return out;
}

void applySchema(SqlConnection &connection)
{
    for (const QString &statement : schemaStatements())
        connection.executeImmediate(statement);
}

void createDatabase(const ConnectionParams &params)
{
    SqlConnection::createDatabase(params);
    SqlConnection c;
    c.setParams(params);
    c.open();
    applySchema(c);
    c.close();
}

namespace {

const char *const kBrands[] = {"統一", "味全", "光泉", "義美", "黑松", "泰山", "愛之味", "桂格",
                               "金車", "維力", "聯華", "老協珍", "台糖", "新東陽", "掬水軒",
                               "乖乖", "可果美", "舒潔", "白蘭", "花王", "獅王", "好來"};
const char *const kKinds[] = {"鮮乳", "豆漿", "綠茶", "烏龍茶", "麥茶", "咖啡", "果汁", "礦泉水",
                              "汽水", "泡麵", "餅乾", "蘇打餅", "洋芋片", "米果", "肉鬆",
                              "罐頭", "醬油", "沙拉油", "衛生紙", "洗衣精", "洗髮精", "牙膏",
                              "沐浴乳", "燕麥片", "麥片", "優酪乳", "布丁", "蜜餞"};
const char *const kFlavours[] = {"原味", "低糖", "無糖", "草莓", "巧克力", "香草", "蜂蜜",
                                 "檸檬", "海苔", "辣味", "牛肉", "香蒜", "芒果", "紅豆",
                                 "抹茶", "花生", "經典", "特濃", "清爽", "家庭號"};
const char *const kUnits[] = {"瓶", "罐", "包", "盒", "袋", "條", "組"};
const char *const kSpecs[] = {"330ml", "600ml", "1000ml", "1.5L", "2000ml", "85g", "150g",
                              "300g", "500g", "1kg", "12入", "6入", "3入", "24捲"};
const char *const kCompanyWords[] = {"台灣", "大同", "永豐", "新竹", "高雄", "中華", "福記",
                                     "振興", "全聯", "恆春", "嘉義", "宜蘭"};
const char *const kCompanyKinds[] = {"食品", "飲料", "實業", "貿易", "生技", "日用品", "企業"};

template<typename T, size_t N>
QString pick(QRandomGenerator &rng, const T (&items)[N])
{
    return QString::fromUtf8(items[rng.bounded(int(N))]);
}

QString ean13(const QString &twelve)
{
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (twelve.at(i).unicode() - '0') * (i % 2 ? 3 : 1);
    return twelve + QChar(u'0' + (10 - sum % 10) % 10);
}

double roundPrice(double v)
{
    return std::max(1.0, std::round(v));
}

} // namespace

void fillCatalogue(SqlConnection &connection, const CatalogueOptions &options)
{
    QRandomGenerator rng(options.seed);
    const int providers = options.providers > 0 ? options.providers
                                                : std::max(10, options.products / 40);
    const QString today = QDate(2026, 12, 1).toString(QStringLiteral("yyyy/MM/dd"));
    constexpr int kBatch = 20000;

    connection.startTransaction();
    try {
        SqlQuery prov(&connection);
        prov.setText(QStringLiteral(
            "INSERT INTO PROVIDER (PROVIDER_ID, PROVIDER_NAME, PROVIDER_SNAME, INVO_HEAD, "
            "BUSINESS_NUM, PROVIDER_BOSS, CON_PHONE, CON_ADD, PROVIDER_PHONE, PROVIDER_FAX, "
            "PROVIDER_ID2, PROVIDER_IDAC) VALUES (:ID, :NAME, :SNAME, :HEAD, :NUM, :BOSS, "
            ":PHONE, :ADDR, :PHONE2, :FAX, :ID2, :AC)"));
        QStringList providerNames;
        for (int i = 0; i < providers; ++i) {
            const QString id = QStringLiteral("F%1").arg(i + 1, 4, 10, QLatin1Char('0'));
            const QString sname = pick(rng, kCompanyWords) + pick(rng, kCompanyKinds);
            const QString name = sname + QStringLiteral("股份有限公司");
            providerNames << name;
            prov.setParamText(QStringLiteral("ID"), id);
            prov.setParamText(QStringLiteral("NAME"), name);
            prov.setParamText(QStringLiteral("SNAME"), sname);
            prov.setParamText(QStringLiteral("HEAD"), name);
            prov.setParamText(QStringLiteral("NUM"), QString::number(20000000 + rng.bounded(79999999)));
            prov.setParamText(QStringLiteral("BOSS"), QStringLiteral("陳") + pick(rng, kCompanyWords));
            prov.setParamText(QStringLiteral("PHONE"), QStringLiteral("02-2%1").arg(rng.bounded(1000000, 9999999)));
            prov.setParamText(QStringLiteral("ADDR"), pick(rng, kCompanyWords) + QStringLiteral("市中正路%1號").arg(rng.bounded(1, 500)));
            prov.setParamText(QStringLiteral("PHONE2"), QStringLiteral("02-2%1").arg(rng.bounded(1000000, 9999999)));
            prov.setParamText(QStringLiteral("FAX"), QStringLiteral("02-2%1").arg(rng.bounded(1000000, 9999999)));
            prov.setParamText(QStringLiteral("ID2"), QStringLiteral("V%1").arg(i + 1));
            prov.setParamText(QStringLiteral("AC"), id);
            prov.execute();
        }

        SqlQuery prod(&connection);
        prod.setText(QStringLiteral(
            "INSERT INTO PRODUCT (PROD_ID, PROD_ID2, PROD_BARCODE, PROD_NAME, PROD_SCALE, "
            "PROD_SNAME, UNITNAME, PACK1_QTY, PACK1, PACK2_QTY, PACK2, PROVIDER_ID, "
            "PROVIDER_NAME, SALE_PRICE, PSALE_PRICE, VIP_PRICE, STD_COST, AVG_COST, CR_DATE, "
            "DEL_FLAG, CHG_DATE, CHG_USER, TAX_KIND, P_PRICE, CR_PRICE) VALUES (:ID, :ID2, "
            ":BARCODE, :NAME, :SCALE, :SNAME, :UNIT, :P1Q, :P1, :P2Q, :P2, :PROV, :PROVNAME, "
            ":SALE, :PSALE, :VIP, :COST, :AVG, :CR, 'N', :CHG, 'SA', '應稅', :PP, :CRP)"));
        SqlQuery sale(&connection);
        sale.setText(QStringLiteral(
            "INSERT INTO PROD_SALE (PROD_ID, SAL_BARCODE, SAL_NAME, PACK_QTY, SAL_UNITNAME, "
            "SAL_PRICE, STD_COST, VIP_PRICE, CHG_DATE, P_PRICE, P_PRICE2) VALUES (:ID, :CODE, "
            ":NAME, :QTY, :UNIT, :PRICE, :COST, :VIP, :CHG, :PP, :PP2)"));
        auto addSale = [&](const QString &id, const QString &code, const QString &name, int qty,
                           const QString &unit, double price, double cost, double vip) {
            sale.setParamText(QStringLiteral("ID"), id);
            sale.setParamText(QStringLiteral("CODE"), code);
            sale.setParamText(QStringLiteral("NAME"), name);
            sale.setParamInteger(QStringLiteral("QTY"), qty);
            sale.setParamText(QStringLiteral("UNIT"), unit);
            sale.setParamNumber(QStringLiteral("PRICE"), price);
            sale.setParamNumber(QStringLiteral("COST"), cost);
            sale.setParamNumber(QStringLiteral("VIP"), vip);
            sale.setParamText(QStringLiteral("CHG"), today);
            sale.setParamNumber(QStringLiteral("PP"), roundPrice(price * 0.9));
            sale.setParamNumber(QStringLiteral("PP2"), roundPrice(price * 0.95));
            sale.execute();
        };

        for (int i = 0; i < options.products; ++i) {
            const QString id = QString::number(1000 + i);
            const QString barcode = ean13(QStringLiteral("471%1").arg(1000000 + i, 9, 10, QLatin1Char('0')));
            const QString name = pick(rng, kBrands) + pick(rng, kFlavours) + pick(rng, kKinds);
            const QString unit = pick(rng, kUnits);
            const double price = roundPrice(10 + rng.bounded(490));
            const double vip = roundPrice(price * 0.95);
            const double cost = std::round(price * (0.55 + rng.bounded(25) / 100.0) * 10) / 10;
            const int provIndex = rng.bounded(providers);
            const bool pack = rng.bounded(100) < 40;
            const int packQty = rng.bounded(2) ? 6 : 12;
            prod.setParamText(QStringLiteral("ID"), id);
            prod.setParamText(QStringLiteral("ID2"), QStringLiteral("S%1").arg(i + 1, 6, 10, QLatin1Char('0')));
            prod.setParamText(QStringLiteral("BARCODE"), barcode);
            prod.setParamText(QStringLiteral("NAME"), name);
            prod.setParamText(QStringLiteral("SCALE"), pick(rng, kSpecs));
            prod.setParamText(QStringLiteral("SNAME"), name.left(10));
            prod.setParamText(QStringLiteral("UNIT"), unit);
            if (pack) {
                prod.setParamNumber(QStringLiteral("P1Q"), packQty);
                prod.setParamText(QStringLiteral("P1"), QStringLiteral("箱"));
            } else {
                prod.setParamNull(QStringLiteral("P1Q"));
                prod.setParamNull(QStringLiteral("P1"));
            }
            prod.setParamNull(QStringLiteral("P2Q"));
            prod.setParamNull(QStringLiteral("P2"));
            prod.setParamText(QStringLiteral("PROV"), QStringLiteral("F%1").arg(provIndex + 1, 4, 10, QLatin1Char('0')));
            prod.setParamText(QStringLiteral("PROVNAME"), providerNames[provIndex]);
            prod.setParamNumber(QStringLiteral("SALE"), roundPrice(price * 1.1));
            prod.setParamNumber(QStringLiteral("PSALE"), price);
            prod.setParamNumber(QStringLiteral("VIP"), vip);
            prod.setParamNumber(QStringLiteral("COST"), cost);
            prod.setParamNumber(QStringLiteral("AVG"), cost);
            prod.setParamText(QStringLiteral("CR"), QStringLiteral("2025/%1/%2").arg(1 + i % 12, 2, 10, QLatin1Char('0')).arg(1 + i % 28, 2, 10, QLatin1Char('0')));
            prod.setParamText(QStringLiteral("CHG"), today);
            prod.setParamNumber(QStringLiteral("PP"), roundPrice(price * 0.9));
            prod.setParamNumber(QStringLiteral("CRP"), roundPrice(price * 1.05));
            prod.execute();

            addSale(id, barcode, name, 1, unit, price, cost, vip);
            if (pack) {
                const QString packCode = ean13(QStringLiteral("472%1").arg(1000000 + i, 9, 10, QLatin1Char('0')));
                addSale(id, packCode, name + QStringLiteral("(箱)"), packQty, QStringLiteral("箱"),
                        roundPrice(price * packQty * 0.95), cost * packQty,
                        roundPrice(vip * packQty * 0.95));
            }
            if (rng.bounded(100) < 3) {
                const int n = 2 + rng.bounded(2);
                addSale(id, QStringLiteral("M%1%2").arg(id).arg(n, 4, 10, QLatin1Char('0')),
                        name + QStringLiteral("買%1優惠").arg(n), n, QStringLiteral("M"),
                        roundPrice(price * n * 0.9), cost * n, roundPrice(vip * n * 0.9));
            }
            if ((i + 1) % kBatch == 0) {
                connection.commit();
                connection.startTransaction();
            }
            if (options.progress
                && ((i + 1) % std::max(1, options.progressEvery) == 0
                    || i + 1 == options.products))
                options.progress(i + 1);
        }

        // Promotion bills of kind "B" with single-item rows, and one of another kind.
        SqlQuery bill(&connection);
        bill.setText(QStringLiteral(
            "INSERT INTO PSALE_MASTER (MASTERBILLID, BILL_DATE, INI_DATE, END_DATE, REASON, "
            "CHG_DATE, OVER_AMT, PINI_DATE, PEND_DATE, BILL_TYPE, BILL_KIND) VALUES (:ID, :BD, "
            ":INI, :END, :REASON, :BD, 0, :INI, :END, '0', :KIND)"));
        SqlQuery item(&connection);
        item.setText(QStringLiteral(
            "INSERT INTO PSALE_SUB (MASTERBILLID, PROD_ID, PROD_NAME, PROD_BARCODE, PSALE_FLAG, "
            "PSALE_PRICE, OLD_PRICE, N_QTY, G_QTY, TEMPPRODID, CHG_DATE, CHG_USER, VIP_PRICE, "
            "INI_DATE, END_DATE, TIME_SALE, INI_TIME, END_TIME, NEW_COST, KEYINTIME, SEC_DIS, "
            "PINI_DATE, PEND_DATE, VNEW_COST, PACK_QTY, V_NAME, PLIMIT_QTY, NOTE, STOP_SALE, "
            "BILL_KIND, PROVIDER_ID, PROVIDER_NAME) SELECT :BILL, PROD_ID, PROD_NAME, "
            "PROD_BARCODE, '0,單品促銷', ROUND(PSALE_PRICE * 0.85, 0), PSALE_PRICE, 0, 0, "
            "PROD_BARCODE, :CHG, 'SA', ROUND(VIP_PRICE * 0.85, 0), :INI, :END, 'N', '00:00:00', "
            "'24:00:00', STD_COST, '261201-090000 00', 'N', :INI, :END, STD_COST, 1, PROD_NAME, "
            "0, '', 'N', 'B', PROVIDER_ID, PROVIDER_NAME FROM PRODUCT WHERE PROD_ID = :PROD"));
        const int bills = options.products > 0 ? options.bills : 0;
        for (int b = 0; b < bills; ++b) {
            const QDate start = QDate(2026, 12, 1).addDays(14 * b);
            const QString id = QStringLiteral("PM20261201%1").arg(b + 1, 4, 10, QLatin1Char('0'));
            const QString ini = start.toString(QStringLiteral("yyyy/MM/dd"));
            const QString end = start.addDays(13).toString(QStringLiteral("yyyy/MM/dd"));
            bill.setParamText(QStringLiteral("ID"), id);
            bill.setParamText(QStringLiteral("BD"), today);
            bill.setParamText(QStringLiteral("INI"), ini);
            bill.setParamText(QStringLiteral("END"), end);
            bill.setParamText(QStringLiteral("REASON"), QStringLiteral("群組促銷"));
            bill.setParamText(QStringLiteral("KIND"), QStringLiteral("B"));
            bill.execute();
            const int items = std::min(options.products, 5 + b * 3);
            for (int k = 0; k < items; ++k) {
                item.setParamText(QStringLiteral("BILL"), id);
                item.setParamText(QStringLiteral("CHG"), today);
                item.setParamText(QStringLiteral("INI"), ini);
                item.setParamText(QStringLiteral("END"), end);
                item.setParamText(QStringLiteral("PROD"),
                                  QString::number(1000 + (k * 37 + b * 11) % options.products));
                item.execute();
            }
        }
        if (bills > 0) {
            bill.setParamText(QStringLiteral("ID"), QStringLiteral("PA202612010001"));
            bill.setParamText(QStringLiteral("BD"), today);
            bill.setParamText(QStringLiteral("INI"), QStringLiteral("2026/12/01"));
            bill.setParamText(QStringLiteral("END"), QStringLiteral("2026/12/14"));
            bill.setParamText(QStringLiteral("REASON"), QStringLiteral("其他單別"));
            bill.setParamText(QStringLiteral("KIND"), QStringLiteral("A"));
            bill.execute();
        }
        connection.commit();
    } catch (...) {
        connection.rollback();
        throw;
    }
}

void writeConnectionFile(const QString &iniPath, const QString &databasePath)
{
    IniFile ini(iniPath);
    ini.load(); // keep other sections of an existing file
    const QString s = QStringLiteral("Quillon");
    ini.writeString(s, QStringLiteral("DriverName"), QStringLiteral("Interbase"));
    ini.writeString(s, QStringLiteral("Database"), databasePath);
    ini.writeString(s, QStringLiteral("RoleName"), QStringLiteral("RoleName"));
    ini.writeString(s, QStringLiteral("User_Name"), QStringLiteral("SYSDBA"));
    ini.writeString(s, QStringLiteral("Password"), QStringLiteral("masterkey"));
    ini.writeString(s, QStringLiteral("ServerCharSet"), QString());
    ini.writeString(s, QStringLiteral("SQLDialect"), QStringLiteral("3"));
    ini.writeString(s, QStringLiteral("BlobSize"), QStringLiteral("-1"));
    ini.writeString(s, QStringLiteral("CommitRetain"), QStringLiteral("False"));
    ini.writeString(s, QStringLiteral("WaitOnLocks"), QStringLiteral("True"));
    ini.writeString(s, QStringLiteral("ErrorResourceFile"), QString());
    ini.writeString(s, QStringLiteral("LocaleCode"), QStringLiteral("0000"));
    ini.writeString(s, QStringLiteral("Interbase TransIsolation"), QStringLiteral("ReadCommited"));
    ini.writeString(s, QStringLiteral("Trim Char"), QStringLiteral("False"));
    QString error;
    if (!ini.save(&error))
        throw DbError(QStringLiteral("Cannot write %1: %2").arg(iniPath, error));
}

} // namespace DemoData
