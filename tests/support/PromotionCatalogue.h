#pragma once

class TestDatabase;

// A small catalogue and one bill for the item pane's tests, written into db:
//
// Suppliers P01 "甲供應商", P02 "乙供應商".
// Products (store price, member price, standard cost):
//   1001 烏龍茶, barcode 4710001, second code S1001, 10 / 9 / 2.5, sold by the bottle
//        (pack 1, 4710001), by six (pack 6, 4710001-6) and as a buy-3 deal
//        (M10010003) in the selling codes;
//   2001 綠茶, barcode 1001 (the number of another product), second code 4710003;
//   3001 紅茶, barcode 4710003, second code 1001, 28 / 27 / 7, packs of 1 (4710003)
//        and 12 (4710003-12);
//   1003 麥茶, barcode 4710004, no selling codes at all;
//   1004 奶茶, barcode 4710005, pack 1; an item of bill PM202612010001 with its
//        single-item row, its pack row and a buy-5 row that only the bill has
//        (M10040005), stopped ("Y").
// Bill PM202612010001 of kind "B", 2026/12/01 .. 2026/12/14. Bill PM202612150001,
// 2026/12/15 .. 2026/12/31, without items.
void loadPromotionCatalogue(TestDatabase &db);
