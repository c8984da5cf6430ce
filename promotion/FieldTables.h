#pragma once

#include "FieldType.h"

#include <span>

class RecordSet;

// The fields that the promotion window's record sets declare, in their order, with
// the captions that grids and the lookup dialog show. Record sets not listed take
// their fields from what their statement returns.
namespace FieldTables {

struct FieldDef
{
    const char *name;
    FieldType type;
    int size = 0; // characters, for texts
    const char *label = ""; // caption (UTF-8); empty: the field name is shown
    bool required = false;
    int decimals = -1; // fixed decimals for display; -1: shortest text
    int displayWidth = -1; // grid column width in characters; -1: the field's own
};

struct DeclaredFields
{
    const char *recordSet;
    std::span<const FieldDef> fields;
};

// Every record set with declared fields.
std::span<const DeclaredFields> all();
// The declared fields of one record set; empty when it declares none.
std::span<const FieldDef> of(const char *recordSet);
// Adds the fields to a record set that has none yet.
void declare(RecordSet &recordSet, std::span<const FieldDef> fields);

} // namespace FieldTables
