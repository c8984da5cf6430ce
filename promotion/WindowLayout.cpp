#include "WindowLayout.h"

namespace WindowLayout {

namespace {

using enum Kind;
using enum Dock;
using enum Look;

const Control controlTable[] = {
    // name, kind, parent, dock, left, top, width, height, text, look, max length, hint
    // Panes of the window, top to bottom.
    { "Panel1", Panel, nullptr, Top, 0, 0, 0, 33, "", Plain }, // period bar
    { "Panel3", Panel, nullptr, Top, 0, 0, 0, 50, "", White }, // command bar
    { "Panel12", Panel, nullptr, Top, 0, 0, 0, 130, "", Plain }, // product browser
    { "Panel2", Panel, nullptr, Client, 0, 0, 0, 0, "", Plain }, // work area

    // Period bar.
    { "Label1", Label, "Panel1", None, 9, 10, 0, 0, "開始日期", Plain },
    { "MaskEdit1", DateBox, "Panel1", None, 72, 6, 92, BoxHeight, "", Input },
    { "Label2", Label, "Panel1", None, 177, 10, 0, 0, "終止日期", Plain },
    { "MaskEdit2", DateBox, "Panel1", None, 240, 6, 92, BoxHeight, "", Input },
    { "SpeedButton1", Button, "Panel1", None, 339, 5, 36, 24, "", Plain },

    // Command bar: twelve 45 x 45 buttons on a white strip.
    { "Panel10", Panel, "Panel3", None, 2, 1, 547, 47, "", White },
    { "SBtnInsert", Button, "Panel10", None, 2, 1, 45, 45, "", White },
    { "SBtnDelete", Button, "Panel10", None, 47, 1, 45, 45, "", White },
    { "SBtnEdit", Button, "Panel10", None, 93, 1, 45, 45, "", White },
    { "SBtnPost", Button, "Panel10", None, 138, 1, 45, 45, "", White },
    { "SBtnCancel", Button, "Panel10", None, 184, 1, 45, 45, "", White },
    { "dbSBtnFirst", NavButton, "Panel10", None, 228, 1, 45, 45, "首筆", White, 0, "首筆記錄" },
    { "dbSBtnPrior", NavButton, "Panel10", None, 273, 1, 45, 45, "前筆", White, 0, "前筆記錄" },
    { "dbSBtnNext", NavButton, "Panel10", None, 316, 1, 47, 45, "次筆", White, 0, "次筆記錄" },
    { "dbSBtnLast", NavButton, "Panel10", None, 363, 1, 45, 45, "末筆", White, 0, "末筆記錄" },
    { "SpeedButton4", Button, "Panel10", None, 408, 1, 45, 45, "", White },
    { "SpeedButton5", Button, "Panel10", None, 454, 1, 45, 45, "", White },
    { "SpeedButtonN", Button, "Panel10", None, 499, 1, 45, 45, "關閉", White },

    // Product browser: the grid above a white footer with the yellow search band.
    { "Panel13", Panel, "Panel12", Bottom, 0, 0, 0, 22, "", White },
    { "DBGrid4", Grid, "Panel12", Client, 0, 0, 0, 0, "", Plain },
    { "Label21", Label, "Panel13", None, 5, 5, 0, 0, "資料輸入區", White },
    { "Shape1", Shape, "Panel13", None, 80, 1, 721, 20, "", Yellow },
    { "SearchEdit1", SearchBox, "Panel13", None, 80, 5, 181, 16, "   0", Yellow },

    // Work area: bill pane, splitter, and the item and pack panes.
    { "Panel4", Panel, "Panel2", Left, 0, 0, 184, 0, "", Plain },
    { "Splitter1", Splitter, "Panel2", Left, 0, 0, 4, 0, "", LightBlue },
    { "Panel5", Panel, "Panel2", Client, 0, 0, 0, 0, "", Plain },
    { "Panel9", Panel, "Panel4", Top, 0, 0, 0, 24, "", Bare },
    { "Ed_MASTERBILLID", Edit, "Panel9", Client, 0, 0, 182, BoxHeight, "", BillNumber },
    { "DBGrid1", Grid, "Panel4", Client, 0, 0, 0, 0, "", Plain },
    { "Panel6", Panel, "Panel5", Top, 0, 0, 0, 160, "", White }, // item pane
    { "Panel8", Panel, "Panel5", Bottom, 0, 0, 0, 20, "(F3)商品速查", Plain }, // footer
    { "Panel7", Panel, "Panel5", Client, 0, 0, 0, 0, "", Plain }, // pack pane
    { "SpeedButton2", Button, "Panel6", None, 533, 134, 28, 22, "", White, 0, "復銷" },
    { "DBGrid2", Grid, "Panel7", Top, 0, 0, 0, 80, "", Plain },
    { "Splitter2", Splitter, "Panel7", Top, 0, 0, 0, 5, "", LightBlue },
    { "Panel11", Panel, "Panel7", Client, 0, 0, 0, 0, "", Plain },
    { "DBGrid3", Grid, "Panel11", Client, 0, 0, 0, 0, "", Plain },
};

const ItemBox itemBoxTable[] = {
    // label, at, box, kind, left, top, width, look, initial text, max length
    { "單品編號", 13, 5, "Ed_PROD_ID", Edit, 77, 2, 108, Input, "" },
    { "單品條碼", 197, 5, "Ed_PROD_BARCODE", Edit, 261, 2, 108, Display, "" },
    { "第二條碼", 381, 5, "Ed_PROD_ID2", Edit, 445, 2, 108, Display, "" },
    { "商品名稱", 13, 29, "Ed_PROD_NAME", Edit, 77, 24, 292, Display, "" },
    { "規格", 373, 29, "Ed_PROD_SCALE", Edit, 408, 24, 193, Display, "" },
    { "建議售價", 13, 49, "Ed_SALE_PRICE", Edit, 77, 45, 69, Display, "0" },
    { "門市售價", 13, 70, "Ed_PSALE_PRICE", Edit, 77, 66, 69, Display, "0" },
    { "促銷售價", 149, 70, "Ed_PRICE", Edit, 213, 66, 69, Input, "0" },
    { "會員售價", 13, 92, "Ed_VIP_PRICE", Edit, 77, 88, 69, Display, "0" },
    { "會員促銷", 149, 92, "Ed_VIPPRICE", Edit, 213, 88, 69, Input, "0" },
    { "摽準成本", 14, 113, "Ed_STD_COST", Edit, 77, 110, 69, Display, "0" },
    { "促銷進價", 148, 112, "Ed_NEW_COST", Edit, 213, 110, 69, Input, "0" },
    { "促銷限購", 286, 69, "Ed_LIMIT_QTY", Edit, 350, 63, 25, Input, "0", 2 },
    { "會員續折", 287, 90, "Ed_SEC_DIS", Edit, 350, 87, 25, Input, "N", 1 },
    { "日期區間", 287, 116, "MaskEdit3", DateBox, 350, 111, 91, Input, "    /  /  " },
    { "~", 443, 115, "MaskEdit4", DateBox, 463, 111, 92, Input, "    /  /  " },
    { "備註", 13, 136, "Ed_Note", Edit, 77, 132, 356, Input, "0" },
    { "促銷停止", 445, 138, "Ed_STOP_SALE", Edit, 508, 135, 25, Display, "N", 1 },
    { "供貨廠商", 384, 66, "Ed_Providerid", Edit, 444, 62, 65, Input, "" },
    { "", 0, 0, "Ed_ProviderName", Edit, 509, 62, 91, Display, "" },
};

const ButtonBinding buttonTable[] = {
    { "SpeedButton1", QStyle::SP_ArrowRight, nullptr },
    { "SBtnInsert", QStyle::SP_FileIcon, "ActionF5" },
    { "SBtnDelete", QStyle::SP_BrowserStop, "ActionF6" },
    { "SBtnEdit", QStyle::SP_FileDialogDetailedView, "ActionF7" },
    { "SBtnPost", QStyle::SP_DialogSaveButton, "ActionF8" },
    { "SBtnCancel", QStyle::SP_DialogCancelButton, "ActionF9" },
    { "SpeedButton4", QStyle::SP_FileDialogContentsView, "ActionF1" },
    { "SpeedButton5", QStyle::SP_DriveHDIcon, "ActionF2" },
    { "SpeedButtonN", QStyle::SP_DialogCloseButton, nullptr },
    { "SpeedButton2", QStyle::SP_MediaPlay, nullptr },
};

const NavButtonSpec navButtonTable[] = {
    { "dbSBtnFirst", nbFirst },
    { "dbSBtnPrior", nbPrior },
    { "dbSBtnNext", nbNext },
    { "dbSBtnLast", nbLast },
};

using CC = ColumnColor;

const GridColumn billListColumns[] = {
    { "PROD_BARCODE", "國際條碼", 127 },
    { "PROD_NAME", "", -1 },
    { "PROD_ID", "", -1 },
};

// Upper pack grid: every cell can be edited; the silver ones are reference values.
const GridColumn packColumns[] = {
    { "SAL_BARCODE", "銷售條碼", 107, CC::Silver },
    { "SAL_NAME", "包裝名稱", 228, CC::Silver },
    { "SAL_UNITNAME", "包裝", 51, CC::Silver },
    { "PACK_QTY", "包裝數", 55, CC::Silver },
    { "SAL_PRICE", "包裝價", -1, CC::Silver },
    { "VIP_PRICE", "會員價", -1, CC::Silver },
    { "PSALE_PRICE", "促銷價", -1 },
    { "PVIP_PRICE", "會員促銷", -1 },
    { "PNEW_COST", "促銷進價", -1 },
};

// Lower pack grid: the buy-N rows.
const GridColumn buyNColumns[] = {
    { "SAL_BARCODE", "銷售條碼", 142, CC::Silver, true },
    { "PACK_QTY", "包裝數", 55, CC::White },
    { "SAL_PRICE", "包裝價", -1, CC::Silver, true },
    { "VIP_PRICE", "會員價", -1, CC::Silver, true },
    { "PSALE_PRICE", "促銷價", -1 },
    { "PVIP_PRICE", "會員促銷", -1 },
    { "PNEW_COST", "參考成本", -1, CC::Silver, true },
};

// Product browser: the fields' own titles and widths.
const GridColumn browserColumns[] = {
    { "PROD_ID", "", -1 },
    { "PROD_BARCODE", "", -1 },
    { "PROD_NAME", "", -1 },
    { "PROVIDER_ID", "", -1 },
    { "PROVIDER_NAME", "", -1 },
    { "UNITNAME", "", -1 },
    { "PSALE_PRICE", "", -1 },
};

const GridSpec gridTable[] = {
    { "DBGrid1", "DS_ProdList", false, false, billListColumns },
    { "DBGrid2", "DS_SUB2", false, true, packColumns },
    { "DBGrid3", "DS_SUBMQTY", false, true, buyNColumns },
    { "DBGrid4", "DataSource1", true, false, browserColumns },
};

const char *const packSelect = "select PROD_SALE.*,SAL_PRICE as PSALE_PRICE,VIP_PRICE AS "
                               "PVIP_PRICE,STD_COST AS PNEW_COST from PROD_SALE";

const RecordSetRow recordSetTable[] = {
    { "CDS_PRODLIST", "DSP_PRODLIST", "SQL_PRODLIST", "select * from PRODUCT" },
    { "CDS_DataSub", "DSP_DataSub", "SQL_DataSub", packSelect },
    { "CDS_DataSub2", nullptr, nullptr, nullptr },
    { "CDS_DataMQTY", "DSP_DataMQTY", "SQL_DataMQTY", packSelect },
    { "CDS_DataMQTY2", "DSP_DataMQTY", nullptr, nullptr },
    { "CDS_PRODUCT", "DSP_Product", "SQL_Product",
        "select First 1000 skip 0 * from PRODUCT\n"
        "order by PROD_ID",
        1000 },
    { "CDS_Fac", "DSP_Fac", "SQL_Fac",
        "select PROVIDER_ID, PROVIDER_NAME, PROVIDER_SNAME, INVO_HEAD, BUSINESS_NUM, "
        "PROVIDER_BOSS, CON_PHONE, CON_ADD, PROVIDER_PHONE, PROVIDER_FAX, PROVIDER_ID2, "
        "PROVIDER_IDAC from PROVIDER\n"
        "order by PROVIDER_ID" },
    { "CDS_PSaleMaster", "DSP_PSaleMaster", "SQL_PSaleMaster",
        "select MASTERBILLID, BILL_DATE, INI_DATE, END_DATE, REASON, PINI_DATE, PEND_DATE, "
        "BILL_TYPE, BILL_KIND from PSALE_MASTER\n"
        "WHERE BILL_KIND = 'B'" },
    { "CDS_PSaleSub", "DSP_PSaleSub", "SQL_PSaleSub",
        "select MASTERBILLID, TEMPPRODID, PROD_ID, PROD_NAME, PROD_BARCODE, INI_DATE, END_DATE, "
        "PSALE_FLAG, PSALE_PRICE, VIP_PRICE, BILL_KIND, STOP_SALE, PLIMIT_QTY from PSALE_SUB\n"
        "WHERE BILL_KIND = 'B'\n"
        "order by INI_DATE" },
    { "ClientDataSet1", "DataSetProvider1", "SQLDataSet1",
        "select PROD_ID,PROD_BARCODE,PROD_NAME,PROVIDER_ID,PROVIDER_NAME,UNITNAME,PSALE_PRICE  "
        "from PRODUCT\n"
        "ORDER BY PROD_BARCODE" },
    { "aCDS", nullptr, nullptr, nullptr },
};

const DataSourceRow dataSourceTable[] = {
    { "DS_ProdList", "CDS_PRODLIST" },
    { "DS_SUB2", "CDS_DataSub2" },
    { "DS_SUBMQTY", "CDS_DataMQTY" },
    { "DS_Search", nullptr },
    { "DataSource1", "ClientDataSet1" },
};

const StatementRow statementTable[] = {
    { "SQLQuery1", 1 },
    { "SQLQuery2", 1 },
    { "SQLQuery3", 1 },
    { "SQL_QueryPrice", 1 },
    { "SQLQuery_PSALE", 1 },
    { "SQL_UPDATE", 1 },
    { "SQL_Provider", 1 },
    { "SQL_ID", 2 },
};

const Command commandTable[] = {
    { "ActionF1", "查詢F1", Qt::Key_F1 },
    { "ActionF2", "列印F2", Qt::Key_F2 },
    { "Action1", "F3&QuickSearch", Qt::Key_F3 },
    { "ActionF5", "新增F5", Qt::Key_F5 },
    { "ActionF6", "刪除F6", Qt::Key_F6 },
    { "ActionF7", "修改F7", Qt::Key_F7 },
    { "ActionF8", "儲存F8", Qt::Key_F8 },
    { "ActionF9", "還原F9", Qt::Key_F9 },
};

const MenuItem popupTable[] = {
    { "N1", "檔期查詢" },
    { "N2", "商品查詢" },
};

const char *const tabOrderTable[] = {
    "MaskEdit1",
    "MaskEdit2",
    "Ed_PROD_ID",
    "Ed_PRICE",
    "Ed_VIPPRICE",
    "Ed_NEW_COST",
    "Ed_LIMIT_QTY",
    "Ed_SEC_DIS",
    "MaskEdit3",
    "MaskEdit4",
    "Ed_Note",
    "Ed_Providerid",
    "DBGrid2",
    "DBGrid3",
    "DBGrid4",
    "SearchEdit1",
};

} // namespace

std::span<const Control> controls()
{
    return controlTable;
}
std::span<const ItemBox> itemBoxes()
{
    return itemBoxTable;
}
std::span<const ButtonBinding> buttons()
{
    return buttonTable;
}
std::span<const NavButtonSpec> navButtons()
{
    return navButtonTable;
}
std::span<const GridSpec> grids()
{
    return gridTable;
}
std::span<const RecordSetRow> recordSets()
{
    return recordSetTable;
}
std::span<const DataSourceRow> dataSources()
{
    return dataSourceTable;
}
std::span<const StatementRow> statements()
{
    return statementTable;
}
std::span<const Command> commands()
{
    return commandTable;
}
std::span<const MenuItem> popupMenu()
{
    return popupTable;
}
std::span<const char *const> tabOrder()
{
    return tabOrderTable;
}

QColor lookColor(Look look)
{
    switch (look) {
    case Plain:
    case Bare:
        return {};
    case White:
        return QColor(255, 255, 255);
    case Input:
        return QColor(255, 255, 128);
    case Display:
        return QColor(255, 128, 128);
    case BillNumber:
    case LightBlue:
        return QColor(151, 199, 251);
    case Yellow:
        return QColor(255, 255, 0);
    }
    return {};
}

QColor columnColor(ColumnColor color)
{
    switch (color) {
    case ColumnColor::Normal:
        return {};
    case ColumnColor::Silver:
        return QColor(192, 192, 192);
    case ColumnColor::White:
        return QColor(255, 255, 255);
    }
    return {};
}

} // namespace WindowLayout
