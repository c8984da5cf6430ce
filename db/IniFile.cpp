#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

IniFile::IniFile(QString path)
    : m_path(std::move(path))
{
}

bool IniFile::load(QString *error)
{
    m_sections.clear();
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // Files are capped: a settings file of more than a few megabytes is not one.
    const QByteArray bytes = file.read(8 * 1024 * 1024);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes); // not UTF-8: keep every byte readable
    parse(text);
    return true;
}

void IniFile::parse(const QString &text)
{
    m_sections.clear();
    Section *current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            const int close = int(trimmed.indexOf(QLatin1Char(']')));
            const QString name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
            current = findSection(name);
            if (!current) {
                m_sections.append(Section{name, {}});
                current = &m_sections.last();
            }
            continue;
        }
        if (!current)
            continue;
        const int eq = int(line.indexOf(QLatin1Char('=')));
        if (eq < 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        bool replaced = false;
        for (auto &kv : current->values) {
            if (kv.first.compare(key, Qt::CaseInsensitive) == 0) {
                // Windows returns the first occurrence of a key.
                replaced = true;
                break;
            }
        }
        if (!replaced)
            current->values.append({key, value});
    }
}

QString IniFile::toText() const
{
    QString out;
    for (const Section &s : m_sections) {
        out += QLatin1Char('[') + s.name + QLatin1String("]\r\n");
        for (const auto &kv : s.values)
            out += kv.first + QLatin1Char('=') + kv.second + QLatin1String("\r\n");
        out += QLatin1String("\r\n");
    }
    return out;
}

bool IniFile::save(QString *error) const
{
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write(toText().toUtf8());
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

const IniFile::Section *IniFile::findSection(const QString &name) const
{
    for (const Section &s : m_sections)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

IniFile::Section *IniFile::findSection(const QString &name)
{
    for (Section &s : m_sections)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

bool IniFile::hasSection(const QString &section) const
{
    return findSection(section) != nullptr;
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    const Section *s = findSection(section);
    if (!s)
        return false;
    for (const auto &kv : s->values)
        if (kv.first.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &fallback) const
{
    const Section *s = findSection(section);
    if (!s)
        return fallback;
    for (const auto &kv : s->values)
        if (kv.first.compare(key, Qt::CaseInsensitive) == 0)
            return kv.second;
    return fallback;
}

int IniFile::readInteger(const QString &section, const QString &key, int fallback) const
{
    if (!hasKey(section, key))
        return fallback;
    bool ok = false;
    const int v = readString(section, key).trimmed().toInt(&ok);
    return ok ? v : fallback;
}

QList<QPair<QString, QString>> IniFile::sectionValues(const QString &section) const
{
    const Section *s = findSection(section);
    return s ? s->values : QList<QPair<QString, QString>>{};
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    // A value is one line: line breaks inside it would start new keys.
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    Section *s = findSection(section);
    if (!s) {
        m_sections.append(Section{section, {}});
        s = &m_sections.last();
    }
    for (auto &kv : s->values) {
        if (kv.first.compare(key, Qt::CaseInsensitive) == 0) {
            kv.second = v;
            return;
        }
    }
    s->values.append({key, v});
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}
