#include "store/inifile.h"

#include "config/cp1252.h"
#include "config/exceptions.h"
#include "config/messages.h"
#include "store/localetext.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

namespace {
constexpr int kMaxTextLength = 2047;
// Values longer than this are shortened in messages.
constexpr int kShownLength = 40;
const QString kGeneral = QStringLiteral("General");
const QString kCompanion = QStringLiteral("ISO");

QString folded(const QString &name)
{
    return name.toCaseFolded();
}

// A line break inside a value would start a new line of the file, so a name
// could forge sections and keys; it is written as a blank.
QString oneLine(QString text)
{
    return text.replace(u'\r', u' ').replace(u'\n', u' ');
}

// A value as a message shows it: control characters as '?', a long one cut.
QString asWritten(const QString &value)
{
    QString shown = value.size() > kShownLength ? value.left(kShownLength) + QStringLiteral("...") : value;
    for (QChar &c : shown)
        if (c.category() == QChar::Other_Control)
            c = u'?';
    return shown;
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

// The companions' forms: yyyy-MM-dd and HH:mm:ss, nothing else.
QDate isoDate(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    return m.hasMatch() ? QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()) : QDate();
}

QTime isoTime(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch m = pattern.match(text);
    return m.hasMatch() ? QTime(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()) : QTime();
}

}

TIniFile::TIniFile(const QLocale &locale) : fLocale(locale) {}

void TIniFile::LoadFromFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.exists()) {
        LoadFromBytes({});
        return;
    }
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(Fmt(Msg::UnableToRead, fileName));
    // Read one byte past the limit: a device or a growing file has no size to trust.
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes)
        throw Exception(Fmt(Msg::SettingsFileTooLarge, fileName, MaxFileBytes));
    if (file.error() != QFileDevice::NoError)
        throw Exception(Fmt(Msg::UnableToRead, fileName));
    LoadFromBytes(bytes);
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
    fSectionIndex.clear();
    Section *current = nullptr;
    const QString text = Cp1252::toUnicode(bytes);
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed(); // also drops the CR of CR LF
        if (line.isEmpty())
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            current = &SectionFor(line.mid(1, close < 0 ? -1 : close - 1).trimmed().toString());
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!current || equals < 0)
            continue; // lines outside a section and lines without a key are not values
        const QString key = line.left(equals).trimmed().toString();
        if (!current->index.contains(folded(key))) // the first of repeated keys counts
            Put(*current, key, line.mid(equals + 1).trimmed().toString());
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
    const auto found = fSectionIndex.constFind(folded(name));
    return found == fSectionIndex.cend() ? nullptr : &fSections.at(*found);
}

TIniFile::Section &TIniFile::SectionFor(const QString &name)
{
    const QString id = folded(name);
    const auto found = fSectionIndex.constFind(id);
    if (found != fSectionIndex.cend())
        return fSections[*found];
    fSectionIndex.insert(id, fSections.size());
    fSections.append({oneLine(name), {}, {}});
    return fSections.last();
}

const TIniFile::Entry *TIniFile::Find(const QString &section, const QString &key) const
{
    const Section *s = FindSection(section);
    if (!s)
        return nullptr;
    const auto found = s->index.constFind(folded(key));
    return found == s->index.cend() ? nullptr : &s->entries.at(*found);
}

void TIniFile::Put(Section &section, const QString &key, const QString &value)
{
    const QString id = folded(key);
    const auto found = section.index.constFind(id);
    if (found != section.index.cend()) {
        section.entries[*found].value = value;
        return;
    }
    section.index.insert(id, section.entries.size());
    section.entries.append({key, value});
}

QStringList TIniFile::SectionNames() const
{
    QStringList names;
    for (const Section &section : fSections)
        names << section.name;
    return names;
}

bool TIniFile::HasSection(const QString &section) const
{
    return FindSection(section) != nullptr;
}

QString TIniFile::KeyName(const QString &section, const QString &key)
{
    return section.compare(kGeneral, Qt::CaseInsensitive) == 0 ? key
                                                                : u'[' + section + QStringLiteral("] ") + key;
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

int TIniFile::ReadInteger(const QString &section, const QString &key, int def, int lowest, int highest) const
{
    const Entry *e = Find(section, key);
    if (!e && (def < lowest || def > highest))
        throw Exception(Fmt(Msg::SettingsKeyMissing, KeyName(section, key)));
    if (!e)
        return def;
    int value = 0;
    if (!parseInteger(e->value, &value))
        throw Exception(Fmt(Msg::SettingsNotANumber, KeyName(section, key), asWritten(e->value)));
    if (value < lowest || value > highest)
        throw Exception(Fmt(Msg::SettingsValueOutOfRange, KeyName(section, key), asWritten(e->value), lowest, highest));
    return value;
}

int TIniFile::ReadSectionCount(const QString &countKey, const QString &sectionPrefix, int most) const
{
    const Entry *e = Find(kGeneral, countKey);
    if (!e)
        return 0;
    int count = 0;
    if (!parseInteger(e->value, &count))
        throw Exception(Fmt(Msg::SettingsNotANumber, countKey, asWritten(e->value)));
    if (count < 0)
        throw Exception(Fmt(Msg::SettingsValueOutOfRange, countKey, asWritten(e->value), 0, most));
    if (count > most)
        throw Exception(Fmt(Msg::SettingsTooManyRecords, countKey, count, most));
    for (int i = 0; i < count; ++i)
        if (!HasSection(sectionPrefix + QString::number(i)))
            throw Exception(Fmt(Msg::SettingsSectionMissing, countKey, count, sectionPrefix + QString::number(i)));
    return count;
}

namespace {
// What the date and time keys differ in.
template <typename T>
struct TStamp;

template <>
struct TStamp<QDate> {
    static QDate Iso(const QString &text) { return isoDate(text); }
    static QList<QDate> Readings(const QString &text, const QLocale &locale, bool everyStep)
    {
        return DateReadings(text, locale, everyStep);
    }
    static QStringList InWords(const QList<QDate> &dates)
    {
        bool sameYear = true;
        for (const QDate &date : dates)
            sameYear = sameYear && date.year() == dates.first().year();
        QStringList words;
        for (const QDate &date : dates)
            words << DateInWords(date, !sameYear);
        return words;
    }
    static const char *Unreadable() { return Msg::SettingsDateUnreadable; }
};

template <>
struct TStamp<QTime> {
    static QTime Iso(const QString &text) { return isoTime(text); }
    static QList<QTime> Readings(const QString &text, const QLocale &locale, bool everyStep)
    {
        return TimeReadings(text, locale, everyStep);
    }
    static QStringList InWords(const QList<QTime> &times)
    {
        bool seconds = false;
        for (const QTime &time : times)
            seconds = seconds || time.second() != 0;
        QStringList words;
        for (const QTime &time : times)
            words << time.toString(seconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
        return words;
    }
    static const char *Unreadable() { return Msg::SettingsTimeUnreadable; }
};
}

template <typename T>
T TIniFile::ReadStamp(const QString &section, const QString &key, const T &def) const
{
    const QString companionKey = key + kCompanion;
    const Entry *companion = Find(section, companionKey);
    const Entry *e = Find(section, key);
    const T fromCompanion = companion ? TStamp<T>::Iso(companion->value) : T();
    if (fromCompanion.isValid()) {
        const QList<T> every = e ? TStamp<T>::Readings(e->value, fLocale, true) : QList<T>{};
        if (every.isEmpty() || every.contains(fromCompanion))
            return fromCompanion;
        throw Exception(Fmt(Msg::SettingsCompanionDisagrees, KeyName(section, key), asWritten(e->value),
                            KeyName(section, companionKey), asWritten(companion->value)));
    }
    if (!e && !companion)
        return def;
    if (!e) // a broken companion alone is no default either
        throw Exception(Fmt(TStamp<T>::Unreadable(), KeyName(section, companionKey), asWritten(companion->value)));
    const QList<T> readings = TStamp<T>::Readings(e->value, fLocale, false);
    if (readings.size() == 1)
        return readings.first();
    if (readings.isEmpty())
        throw Exception(Fmt(TStamp<T>::Unreadable(), KeyName(section, key), asWritten(e->value)));
    const QStringList words = TStamp<T>::InWords(readings);
    throw Exception(Fmt(Msg::SettingsAmbiguous, KeyName(section, key), asWritten(e->value),
                        words.mid(0, words.size() - 1).join(QStringLiteral(", ")), words.last()));
}

QDate TIniFile::ReadDate(const QString &section, const QString &key, const QDate &def) const
{
    return ReadStamp(section, key, def);
}

QTime TIniFile::ReadTime(const QString &section, const QString &key, const QTime &def) const
{
    return ReadStamp(section, key, def);
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    Put(SectionFor(section), oneLine(key), oneLine(value));
}

void TIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteDate(const QString &section, const QString &key, const QDate &value)
{
    WriteString(section, key, DateToText(value, fLocale));
    WriteString(section, key + kCompanion, value.toString(QStringLiteral("yyyy-MM-dd")));
}

void TIniFile::WriteTime(const QString &section, const QString &key, const QTime &value)
{
    WriteString(section, key, TimeToText(value, fLocale));
    WriteString(section, key + kCompanion, value.toString(QStringLiteral("HH:mm:ss")));
}
