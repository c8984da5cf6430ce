#include "LookupSettings.h"

#include "ConnectionParams.h"
#include "IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString fileName = QStringLiteral("Search.ini");
const QString userFolder = QStringLiteral("tarnpromotion");
const QString settingsSection = QStringLiteral("PRODUCT");
const QString keyCombo = QStringLiteral("Combo");
const QString keyRadio = QStringLiteral("Radio");
const QString keyEdit = QStringLiteral("Edit");

constexpr int exactMatch = 0;
constexpr int matchModeCount = 3; // exact, prefix, contains

// The file as it stands now: the user's copy when it can be read, else the shared one.
IniFile loadCurrent()
{
    const QString user = LookupSettings::userPath();
    if (!user.isEmpty() && QFileInfo::exists(user)) {
        IniFile ini(user);
        if (ini.load())
            return ini;
    }
    IniFile ini(LookupSettings::sharedPath());
    ini.load();
    return ini;
}

} // namespace

QString LookupSettings::sharedPath()
{
    return executableFolder() + fileName;
}

QString LookupSettings::userPath()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        return {};
    return base + QLatin1Char('/') + userFolder + QLatin1Char('/') + fileName;
}

QString LookupSettings::path()
{
    const QString user = userPath();
    return !user.isEmpty() && QFileInfo::exists(user) ? user : sharedPath();
}

LookupSettings LookupSettings::read()
{
    LookupSettings settings;
    const IniFile ini = loadCurrent();
    settings.combo = ini.readInteger(settingsSection, keyCombo, 0);
    const int radio = ini.readInteger(settingsSection, keyRadio, exactMatch);
    // A mode the group does not have would leave the statement without its condition.
    settings.radio = radio >= 0 && radio < matchModeCount ? radio : exactMatch;
    settings.edit = ini.readString(settingsSection, keyEdit);
    return settings;
}

bool LookupSettings::write(QString *error, QString *writtenPath) const
{
    IniFile ini = loadCurrent(); // other sections and keys of the file stay as they are
    ini.writeInteger(settingsSection, keyCombo, combo);
    ini.writeInteger(settingsSection, keyRadio, radio);
    ini.writeString(settingsSection, keyEdit, edit);

    const QString user = userPath();
    const bool userCopyExists = !user.isEmpty() && QFileInfo::exists(user);
    QString reason;
    if (!userCopyExists) {
        ini.setPath(sharedPath());
        if (writtenPath)
            *writtenPath = ini.path();
        if (ini.save(&reason))
            return true;
        // The executable's folder cannot be written: the user's own copy takes over.
        if (user.isEmpty()) {
            if (error)
                *error = reason;
            return false;
        }
        QDir().mkpath(QFileInfo(user).absolutePath());
    }
    ini.setPath(user);
    if (writtenPath)
        *writtenPath = user;
    if (ini.save(&reason))
        return true;
    if (error)
        *error = reason;
    return false;
}
