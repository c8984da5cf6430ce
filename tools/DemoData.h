#pragma once

#include "ConnectionParams.h"

#include <QString>

#include <functional>

class SqlConnection;

// Builds test and demo databases: the schema, a realistic Traditional Chinese
// catalogue of any size, and the files the tool reads beside its executable.
namespace DemoData {

// The schema script (tools/schema.sql) split into statements.
QStringList schemaStatements();
// Creates a new embedded or server database at params.database and applies the schema.
void createDatabase(const ConnectionParams &params);
// Runs every statement of the schema on an open connection.
void applySchema(SqlConnection &connection);

struct CatalogueOptions
{
    int products = 2000;
    int providers = 0;      // 0: about one supplier per 40 products (at least 10)
    int bills = 3;          // promotion bills of kind "B" with items
    quint32 seed = 20261210;
    // Told the number of products written so far, every progressEvery products and
    // after the last one. Empty: none.
    std::function<void(int products)> progress;
    int progressEvery = 1000;
};
// Fills PROVIDER, PRODUCT, PROD_SALE (units, packs, a few "M" buy-N packs) and a
// few promotion bills with items. Product numbers are "1000" upwards.
void fillCatalogue(SqlConnection &connection, const CatalogueOptions &options);

// Writes "dbxconnections.ini" with section "Quillon" naming databasePath.
void writeConnectionFile(const QString &iniPath, const QString &databasePath);
// Writes the site configuration ("Vantor.dat") with one record whose PROMO_WORD
// is promoWord, kept exactly (blanks included).
void writeSiteConfig(const QString &path, const QString &promoWord);

} // namespace DemoData
