#pragma once

// Record sets over a small table of a test database, for the control tests.

#include "TestDatabase.h"

#include "DataSetProvider.h"
#include "DataSource.h"
#include "RecordSet.h"
#include "SqlConnection.h"
#include "SqlQuery.h"

#include <QStringList>
#include <QTest>

#include <memory>

// One record set fed by a statement on the test database, with a data source on it.
struct BoundSet
{
    explicit BoundSet(SqlConnection &connection, const QString &sql)
        : query(&connection)
        , provider(&query)
    {
        query.setText(sql);
        rs.setProvider(&provider);
        source.setDataSet(&rs);
    }

    SqlQuery query;
    DataSetProvider provider;
    RecordSet rs{QStringLiteral("CDS_TEST")};
    DataSource source;
};

// Creates table NAMES (ID, NAME) holding names in ID order (IDs from 1).
inline void createNames(TestDatabase &db, const QStringList &names)
{
    db.exec(QStringLiteral("create table NAMES (ID integer not null primary key, "
                           "NAME varchar(20), PRICE double precision)"));
    for (int i = 0; i < names.size(); ++i) {
        db.exec(QStringLiteral("insert into NAMES (ID, NAME, PRICE) values (%1, '%2', %3)")
                    .arg(i + 1)
                    .arg(names[i])
                    .arg((i + 1) * 10));
    }
}

inline QString currentName(const RecordSet &rs)
{
    return rs.fieldByName(QStringLiteral("NAME"))->asString();
}
