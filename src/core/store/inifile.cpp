#include "store/inifile.h"

#include "config/cp1252.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "store/localetext.h"

#include <QFile>
#include <QSaveFile>

namespace {
constexpr int kMaxTextLength = 2047;

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A line break inside a value would start a new line of the file, so a name
// could forge sections and keys; it is written as a blank.
QString oneLine(QString text)
{
    return text.replace(u'\r', u' ').replace(u'\n', u' ');
}

// Decimal, or hexadecimal after "0x" or "$", with an optional sign; 32 bits
// (hexadecimal up to FFFFFFFF, taken as the signed value of those bits).
bool parseInteger(const QString &text, int *value)
{
    QStringView s = QStringView(text).trimmed();
    bool negative = false;
    if (s.startsWith(u'-') || s.startsWith(u'+')) {
        negative = s.startsWith(u'-');
        s = s.mid(1);
    }
    int base = 10;
    if (s.startsWith(u'$')) {
        base = 16;
        s = s.mid(1);
    } else if (s.size() > 2 && s.at(0) == u'0' && (s.at(1) == u'x' || s.at(1) == u'X')) {
        base = 16;
        s = s.mid(2);
    }
    if (s.isEmpty() || s.startsWith(u'-') || s.startsWith(u'+'))
        return false;
    bool ok = false;
    const qulonglong magnitude = s.toULongLong(&ok, base);
    const qulonglong limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    if (!ok || magnitude > limit)
        return false;
    const auto bits = quint32(magnitude);
    *value = negative ? int(0u - bits) : int(bits);
    return true;
}
}

TIniFile::TIniFile(const QLocale &locale) : fLocale(locale) {}

void TIniFile::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.exists()) {
        fSections.clear();
        return;
    }
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(Fmt(Msg::UnableToRead, fileName));
    LoadFromBytes(file.readAll());
}

void TIniFile::SaveToFile(const QString &fileName) const
{
    const QByteArray bytes = ToBytes();
    QSaveFile file(fileName);
    // The explicit flush matters: commit() alone does not notice a buffered
    // write that the disk cut short, and would put a truncated file in place.
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() || !file.commit())
        throw Exception(Fmt(Msg::UnableToWrite, fileName)); // the old file is untouched
}

void TIniFile::LoadFromBytes(const QByteArray &bytes)
{
    fSections.clear();
    Section *current = nullptr;
    const QString text = Cp1252::toUnicode(bytes);
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed(); // also drops the CR of CR LF
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed().toString();
            current = &SectionFor(name);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals < 0)
            continue; // lines outside a section and lines without a key are not values
        const QString key = line.left(equals).trimmed().toString();
        bool known = false;
        for (const Entry &e : std::as_const(current->entries))
            known = known || sameName(e.key, key);
        if (!known) // the first of repeated keys counts
            current->entries.append({key, line.mid(equals + 1).trimmed().toString()});
    }
}

QByteArray TIniFile::ToBytes() const
{
    QString text;
    for (const Section &section : fSections) {
        if (!text.isEmpty())
            text += QStringLiteral("\r\n");
        text += u'[' + section.name + QStringLiteral("]\r\n");
        for (const Entry &e : section.entries)
            text += e.key + u'=' + e.value + QStringLiteral("\r\n");
    }
    return Cp1252::fromUnicode(text);
}

const TIniFile::Section *TIniFile::FindSection(const QString &name) const
{
    for (const Section &section : fSections)
        if (sameName(section.name, name))
            return &section;
    return nullptr;
}

TIniFile::Section &TIniFile::SectionFor(const QString &name)
{
    for (Section &section : fSections)
        if (sameName(section.name, name))
            return section;
    fSections.append({oneLine(name), {}});
    return fSections.last();
}

const TIniFile::Entry *TIniFile::Find(const QString &section, const QString &key) const
{
    const Section *s = FindSection(section);
    if (!s)
        return nullptr;
    for (const Entry &e : s->entries)
        if (sameName(e.key, key))
            return &e;
    return nullptr;
}

QStringList TIniFile::SectionNames() const
{
    QStringList names;
    for (const Section &section : fSections)
        names << section.name;
    return names;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    const Entry *e = Find(section, key);
    return e ? e->value.left(kMaxTextLength) : def;
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int def) const
{
    const Entry *e = Find(section, key);
    int value = 0;
    return e && parseInteger(e->value, &value) ? value : def;
}

QDate TIniFile::ReadDate(const QString &section, const QString &key, const QDate &def) const
{
    const Entry *e = Find(section, key);
    const QDate date = e ? TextToDate(e->value, fLocale) : QDate();
    return date.isValid() ? date : def;
}

QTime TIniFile::ReadTime(const QString &section, const QString &key, const QTime &def) const
{
    const Entry *e = Find(section, key);
    const QTime time = e ? TextToTime(e->value, fLocale) : QTime();
    return time.isValid() ? time : def;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    Section &s = SectionFor(section);
    for (Entry &e : s.entries) {
        if (sameName(e.key, key)) {
            e.value = oneLine(value);
            return;
        }
    }
    s.entries.append({oneLine(key), oneLine(value)});
}

void TIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteDate(const QString &section, const QString &key, const QDate &value)
{
    WriteString(section, key, DateToText(value, fLocale));
}

void TIniFile::WriteTime(const QString &section, const QString &key, const QTime &value)
{
    WriteString(section, key, TimeToText(value, fLocale));
}
