#include "LookupSettings.h"

#include "ConnectionParams.h"
#include "IniFile.h"

namespace {

const QString settingsSection = QStringLiteral("PRODUCT");
const QString keyCombo = QStringLiteral("Combo");
const QString keyRadio = QStringLiteral("Radio");
const QString keyEdit = QStringLiteral("Edit");

constexpr int exactMatch = 0;
constexpr int matchModeCount = 3; // exact, prefix, contains

} // namespace

QString LookupSettings::path()
{
    return executableFolder() + QStringLiteral("Search.ini");
}

LookupSettings LookupSettings::read()
{
    LookupSettings settings;
    IniFile ini(path());
    if (!ini.load())
        return settings;
    settings.combo = ini.readInteger(settingsSection, keyCombo, 0);
    const int radio = ini.readInteger(settingsSection, keyRadio, exactMatch);
    // A mode the group does not have would leave the statement without its condition.
    settings.radio = radio >= 0 && radio < matchModeCount ? radio : exactMatch;
    settings.edit = ini.readString(settingsSection, keyEdit);
    return settings;
}

bool LookupSettings::write(QString *error) const
{
    IniFile ini(path());
    ini.load(); // other sections and keys of the file stay as they are
    ini.writeInteger(settingsSection, keyCombo, combo);
    ini.writeInteger(settingsSection, keyRadio, radio);
    ini.writeString(settingsSection, keyEdit, edit);
    return ini.save(error);
}
