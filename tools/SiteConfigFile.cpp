// The site configuration file lives in its own unit: it needs the record-set engine,
// which the database-only users of DemoData do not link.

#include "DemoData.h"

#include "RecordSet.h"

namespace DemoData {

void writeSiteConfig(const QString &path, const QString &promoWord)
{
    RecordSet rs(QStringLiteral("aCDS"));
    rs.addField(QStringLiteral("PROMO_WORD"), FieldType::String, 20);
    rs.open();
    rs.append();
    rs.fieldByName(QStringLiteral("PROMO_WORD"))->setAsString(promoWord);
    rs.post();
    rs.saveToFile(path);
}

} // namespace DemoData
