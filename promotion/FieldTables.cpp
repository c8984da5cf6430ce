#include "FieldTables.h"

#include "Field.h"
#include "RecordSet.h"

#include <QString>

#include <cstring>

namespace FieldTables {

namespace {

constexpr FieldDef T(const char *name, int size, const char *label = "", bool required = false)
{
    return { name, FieldType::String, size, label, required };
}

constexpr FieldDef N(const char *name, const char *label = "", bool required = false)
{
    return { name, FieldType::Number, 0, label, required };
}

constexpr FieldDef I(const char *name, const char *label = "")
{
    return { name, FieldType::Integer, 0, label };
}

constexpr FieldDef Decimals(FieldDef def, int decimals)
{
    def.decimals = decimals;
    return def;
}

constexpr FieldDef Width(FieldDef def, int chars)
{
    def.displayWidth = chars;
    return def;
}

// CDS_PRODLIST: every PRODUCT column. Only the first thirteen carry captions.
const FieldDef productList[] = {
    T("PROD_ID", 20, "商品編號", true),
    T("PROD_ID2", 20, "第二代碼"),
    T("PROD_BARCODE", 20, "國際條碼"),
    T("PROD_NAME", 50, "商品名稱"),
    T("PROD_SCALE", 30, "規格"),
    T("PROD_SNAME", 20, "商品簡稱"),
    T("UNITNAME", 10, "單位"),
    N("PACK1_QTY", "內包數"),
    T("PACK1", 10, "內包"),
    T("PACK1_BARCODE", 20, "內包條碼"),
    N("PACK2_QTY", "外包數"),
    T("PACK2", 10, "外包"),
    T("PACK2_BARCODE", 20, "外包條碼"),
    T("PROVIDER_ID", 10),
    T("PROVIDER_NAME", 50),
    T("PUT_IT", 10),
    T("IN_PACK", 10),
    T("SAL_PACK", 10),
    T("STOCK_QTY", 5),
    N("PSALE_PRICE"),
    N("SALE_PRICE"),
    N("FIRST_COST"),
    N("STD_COST"),
    N("AVG_COST"),
    N("MAVG_COST"),
    I("IN_TAG"),
    I("SAL_TAG"),
    T("DEL_FLAG", 5),
    T("FLAG", 10),
    T("HI_ITEMID", 10),
    T("MID_ITEMID", 10),
    T("PD_ITEMID", 10),
    T("PD_ITEMNAME", 20),
    T("PD_CLASSID", 10),
    T("PD_CLASSNAME", 20),
    T("CR_DATE", 10),
    T("PHOTO_PATH", 200),
    T("DESCRIPTION", 200),
    I("SAFE_DAY"),
    I("SAFE_QTY"),
    N("BEFORE_QTY"),
    N("NOW_QTY"),
    T("NEAR_INDATE", 10),
    T("NEAR_SALDATE", 10),
    T("ABC", 5),
    T("PT_CLASS", 2),
    T("BILL_CLASS", 1),
    I("MAKE_POINT"),
    T("SHOW_QTY", 5),
    T("CHG_DATE", 10),
    T("CHG_USER", 10),
    T("TAX_KIND", 10),
    T("DEPART_ID", 10),
    T("DEPART_NAME", 20),
    T("BUY_CLASS", 10),
    T("MS", 1),
    T("INI_DATE", 10),
    T("END_DATE", 10),
    T("PUT_ID", 10),
    N("VIP_PRICE"),
    T("DEP_ID", 2),
    T("PRN_CODE_YN", 1),
    T("P_SERIES", 10),
    T("P_GOODS", 1),
    T("PROVIDER_ID2", 10),
    T("PROVIDER_NAME2", 50),
    N("P_LASTP"),
    N("P_LTCOST"),
    N("P_SALEQTY"),
    N("P_PACKQTY"),
    N("P_BOXQTY"),
    N("P_LOWQTY"),
    T("P_CHANGE", 1),
    T("P_STOPIN_DATE", 10),
    T("P_FIRSTIN_DATE", 10),
    T("P_LASTIN_DATE", 10),
    T("P_LASTOUT_DATE", 10),
    T("P_STOPOUT_DATE", 10),
    N("P_LENGTH"),
    N("P_WIDTH"),
    N("P_HEIGHT"),
    T("P_BRAND", 20),
    T("PRN_POP", 1),
    T("PRN_CARD", 1),
    T("P_RANK", 12),
    T("P_PLACE", 30),
    T("P_DISPLAY", 1),
    T("P_MONTH", 1),
    T("P_CHECKPIC", 1),
    T("P_SALEPIC", 1),
    T("P_PU", 1),
    T("CHG_TIME", 10),
    N("DEF_PROFIT"),
    T("MEM_DISCOUNT", 1),
    T("P_PU2", 1),
    N("U_DIS"),
    T("HEAD_NO", 20),
    N("CR_PRICE"),
    N("P_PRICE"),
    T("WEB_SHOW", 1),
    N("P_PRICE2"),
    N("N_PRICE"),
    N("ADD_COST"),
    N("NET_COST"),
    N("PUT_FACE"),
    N("PUT_X"),
    N("PUT_Y"),
    N("LEND_QTY"),
    N("FREE_TAX"),
    N("SENDIN_QTY"),
    T("SEND_YN", 1),
    N("DE_RATE"),
    N("ERN_RATE"),
    N("P_VALUE"),
};

// CDS_PRODUCT: the product lookup's columns, in the order the lookup lists them.
const FieldDef productLookup[] = {
    T("PROD_ID", 20, "商品編號", true),
    T("PROD_BARCODE", 20, "商品條碼"),
    T("PROD_NAME", 50, "商品名稱"),
    N("STD_COST", "標準成本"),
    N("SALE_PRICE", "市價"),
    N("PSALE_PRICE", "門市售價", true),
    N("VIP_PRICE", "會員售價", true),
    N("P_PRICE", "批價"),
    N("CR_PRICE", "貸價"),
    T("PROVIDER_ID", 10, "廠商代號"),
    T("PROVIDER_NAME", 50, "廠商名稱"),
    T("PROD_ID2", 20, "第二代碼"),
    T("PROD_SCALE", 30, "商品規格"),
    T("PROD_SNAME", 20, "商品簡稱"),
    T("UNITNAME", 10, "基本單位"),
    N("PACK1_QTY", "內包數量"),
    T("PACK1", 10, "內包單位"),
    T("PACK1_BARCODE", 20, "內包條碼"),
    N("PACK2_QTY", "外包數量"),
    T("PACK2", 10, "外包單位"),
    T("PACK2_BARCODE", 20, "外包條碼"),
    T("PUT_IT", 10, "儲位"),
    T("IN_PACK", 10, "進貨單位"),
    T("SAL_PACK", 10, "銷售單位"),
    T("STOCK_QTY", 5, "扣庫存量"),
    N("FIRST_COST", "期初成本"),
    Decimals(N("AVG_COST", "平均成本"), 2),
    N("MAVG_COST", "月平均成本"),
    I("IN_TAG", "進貨管制"),
    I("SAL_TAG", "銷售管制"),
    T("DEL_FLAG", 5, "淘汰"),
    T("FLAG", 10),
    T("HI_ITEMID", 10, "大類代號"),
    T("MID_ITEMID", 10, "中類代號"),
    T("PD_ITEMID", 10, "類別代號"),
    T("PD_ITEMNAME", 20, "類別名稱"),
    T("PD_CLASSID", 5, "屬性代號"),
    T("PD_CLASSNAME", 10, "屬性"),
    T("CR_DATE", 10, "建檔日期"),
    T("PHOTO_PATH", 200, "圖檔路逕"),
    T("DESCRIPTION", 200, "商品描述"),
    I("SAFE_DAY", "安全天數"),
    I("SAFE_QTY", "安全數量"),
    N("BEFORE_QTY", "期初數量"),
    N("NOW_QTY", "現有數量"),
    T("NEAR_INDATE", 10, "最近進貨日"),
    T("NEAR_SALDATE", 10, "最近銷售日"),
    T("ABC", 5, "分組"),
    T("PT_CLASS", 2, "盤點週期"),
    T("BILL_CLASS", 1, "適用卷別"),
    I("MAKE_POINT", "製作位置"),
    T("SHOW_QTY", 5, "數量顯示"),
    T("CHG_DATE", 10, "異動日期"),
    T("CHG_USER", 10, "異動人員"),
    T("TAX_KIND", 10, "稅別"),
    T("BUY_CLASS", 10),
    T("MS", 1),
    T("INI_DATE", 10),
    T("END_DATE", 10),
    T("PUT_ID", 10),
    T("P_PU", 1),
    T("CHG_TIME", 10),
    T("PRN_CODE_YN", 1),
    T("P_PU2", 1),
    T("MEM_DISCOUNT", 1),
    N("U_DIS"),
    T("HEAD_NO", 20, "賣頭代號"),
    T("WEB_SHOW", 1, "WEB展示"),
    N("N_PRICE", "一般價"),
    N("P_PRICE2", "小批價"),
    N("NET_COST", "淨成本"),
    N("ADD_COST", "附加成本"),
    N("PUT_FACE", "排面數"),
    N("PUT_X", "層數"),
    N("PUT_Y", "深數"),
    N("LEND_QTY", "借貨數"),
    N("FREE_TAX", "免稅額"),
    T("SEND_YN", 1, "寄賣"),
    N("DE_RATE", "損耗率"),
    N("ERN_RATE", "佣金比率"),
    N("P_VALUE", "點數"),
};

// CDS_DataMQTY: the pack row, the selling code's columns and three promotion values.
const FieldDef packRow[] = {
    T("PROD_ID", 20, "", true),
    T("SAL_BARCODE", 20, "", true),
    T("SAL_NAME", 50),
    I("PACK_QTY"),
    T("SAL_UNITNAME", 10),
    N("SAL_PRICE"),
    N("STD_COST"),
    N("VIP_PRICE"),
    T("CHG_DATE", 10),
    N("P_PRICE"),
    N("P_PRICE2"),
    N("PSALE_PRICE"),
    N("PVIP_PRICE"),
    N("PNEW_COST"),
};

// CDS_Fac: suppliers for the supplier lookup.
const FieldDef supplierLookup[] = {
    T("PROVIDER_ID", 10, "廠商代號", true),
    T("PROVIDER_NAME", 50, "廠商名稱"),
    T("PROVIDER_SNAME", 20, "廠商簡稱"),
    T("INVO_HEAD", 50, "發票抬頭"),
    T("BUSINESS_NUM", 10, "統一編號"),
    T("PROVIDER_BOSS", 20, "負責人"),
    T("CON_PHONE", 20, "連絡電話"),
    T("CON_ADD", 60, "連絡地址"),
    T("PROVIDER_PHONE", 20, "公司電話"),
    T("PROVIDER_FAX", 20, "傳真"),
    T("PROVIDER_ID2", 20, "第二代碼"),
    T("PROVIDER_IDAC", 10, "帳款歸屬"),
};

// CDS_PSaleMaster: promotion bills for the bill pick.
const FieldDef billLookup[] = {
    T("MASTERBILLID", 20, "促銷單號"),
    T("BILL_DATE", 10, "建檔日期"),
    T("INI_DATE", 10, "生效日期"),
    T("END_DATE", 10, "終止日期"),
    T("REASON", 100, "說明"),
    T("PINI_DATE", 10, "進貨生效"),
    T("PEND_DATE", 10, "進貨終止"),
    T("BILL_TYPE", 1, "單據型態"),
    T("BILL_KIND", 1, "單別"),
};

// CDS_PSaleSub: promotion items for the item pick.
const FieldDef itemLookup[] = {
    T("MASTERBILLID", 20, "檔期編號"),
    T("TEMPPRODID", 20, "促銷條碼"),
    T("PROD_ID", 20, "單品編號"),
    T("PROD_NAME", 50, "商品名稱"),
    T("PROD_BARCODE", 20, "國際條碼"),
    T("INI_DATE", 10, "生效日期"),
    T("END_DATE", 10, "終止日期"),
    T("PSALE_FLAG", 10, "促銷型態"),
    N("PSALE_PRICE", "促銷價"),
    N("VIP_PRICE", "會員價"),
    T("BILL_KIND", 1, "單別"),
    T("STOP_SALE", 1, "停止"),
    N("PLIMIT_QTY", "限購"),
};

// ClientDataSet1: the product browser; the widths are its grid's column widths.
const FieldDef productBrowser[] = {
    Width(T("PROD_ID", 20, "商品編號", true), 15),
    Width(T("PROD_BARCODE", 20, "國際條碼"), 16),
    Width(T("PROD_NAME", 50, "商品名稱"), 31),
    Width(T("PROVIDER_ID", 10, "廠商代號"), 8),
    Width(T("PROVIDER_NAME", 50, "廠商名稱"), 23),
    Width(T("UNITNAME", 10, "單位"), 5),
    Width(N("PSALE_PRICE", "門市價"), 7),
};

const DeclaredFields declared[] = {
    { "CDS_PRODLIST", productList },
    { "CDS_PRODUCT", productLookup },
    { "CDS_DataMQTY", packRow },
    { "CDS_Fac", supplierLookup },
    { "CDS_PSaleMaster", billLookup },
    { "CDS_PSaleSub", itemLookup },
    { "ClientDataSet1", productBrowser },
};

} // namespace

std::span<const DeclaredFields> all()
{
    return declared;
}

std::span<const FieldDef> of(const char *recordSet)
{
    for (const DeclaredFields &d : declared) {
        if (std::strcmp(d.recordSet, recordSet) == 0)
            return d.fields;
    }
    return {};
}

void declare(RecordSet &recordSet, std::span<const FieldDef> fields)
{
    for (const FieldDef &def : fields) {
        Field *field = recordSet.addField(QString::fromLatin1(def.name), def.type, def.size,
            QString::fromUtf8(def.label), def.required);
        field->setDisplayDecimals(def.decimals);
        if (def.displayWidth > 0)
            field->setDisplayWidth(def.displayWidth);
    }
}

} // namespace FieldTables
