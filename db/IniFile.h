#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// A Windows profile (INI) file read and written as Windows reads it: sections and
// keys compared without regard to case, values taken exactly as they stand after
// the "=" (no escapes, no list splitting, no comment stripping after a value),
// lines starting with ";" ignored. Used for files shared with other programs
// ("dbxconnections.ini", "Search.ini"), which QSettings does not read faithfully.
class IniFile
{
public:
    explicit IniFile(QString path = {});

    const QString &path() const { return m_path; }
    // The file that save() writes; the contents stay as they are.
    void setPath(const QString &path) { m_path = path; }
    // Reads the file. A missing or unreadable file leaves the contents empty and
    // returns false with the reason in *error; nothing here throws.
    bool load(QString *error = nullptr);
    // Parses text as the contents of a file.
    void parse(const QString &text);
    // Writes the file, keeping sections and keys in their order. Returns false with
    // the reason in *error when the file cannot be written.
    bool save(QString *error = nullptr) const;
    QString toText() const;

    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;
    QString readString(const QString &section, const QString &key,
                       const QString &fallback = {}) const;
    // The value as a whole number; fallback when absent or not a whole number.
    int readInteger(const QString &section, const QString &key, int fallback) const;
    // key = value pairs of a section in file order, keys as written.
    QList<QPair<QString, QString>> sectionValues(const QString &section) const;

    void writeString(const QString &section, const QString &key, const QString &value);
    void writeInteger(const QString &section, const QString &key, int value);

private:
    struct Section
    {
        QString name;
        QList<QPair<QString, QString>> values;
    };
    const Section *findSection(const QString &name) const;
    Section *findSection(const QString &name);

    QString m_path;
    QList<Section> m_sections;
};
