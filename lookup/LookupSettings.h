#pragma once

#include <QString>

// The settings of "Search.ini" (beside the executable), section "PRODUCT", shared by
// every lookup whatever table it searches.
struct LookupSettings
{
    int combo = 0;   // "Combo": position in the field list, -1 for none
    int radio = 0;   // "Radio": match mode 0 exact, 1 prefix, 2 contains
    QString edit;    // "Edit": the search text

    static QString path();
    // A missing, unreadable or garbled file gives the defaults.
    static LookupSettings read();
    // Keeps the file's other sections and keys. Returns false with the reason in *error.
    bool write(QString *error = nullptr) const;
};
