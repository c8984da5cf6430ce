#pragma once

#include <QString>

// The settings of "Search.ini", section "PRODUCT", shared by every lookup whatever table
// it searches.
//
// Two copies may exist: the shared one beside the executable and the user's own in the
// XDG configuration folder ("tarnpromotion/Search.ini" under $XDG_CONFIG_HOME, usually
// ~/.config). The user's copy wins where both exist. Settings are written beside the
// executable as long as that succeeds; once the executable's folder cannot be written
// (an installed tool, a clerk without rights there), they go to the user's copy, which
// starts as a copy of the shared file so that its other sections are kept.
struct LookupSettings
{
    int combo = 0;   // "Combo": position in the field list, -1 for none
    int radio = 0;   // "Radio": match mode 0 exact, 1 prefix, 2 contains
    QString edit;    // "Edit": the search text

    // "Search.ini" beside the executable.
    static QString sharedPath();
    // "Search.ini" in the user's configuration folder; empty when the system names none.
    static QString userPath();
    // The file the settings are read from: the user's copy when it exists, else the
    // shared one.
    static QString path();
    // A missing, unreadable or garbled file gives the defaults.
    static LookupSettings read();
    // Keeps the file's other sections and keys. Returns false with the reason in *error
    // when no copy can be written; *writtenPath names the file written, or the last one
    // tried.
    bool write(QString *error = nullptr, QString *writtenPath = nullptr) const;
};
