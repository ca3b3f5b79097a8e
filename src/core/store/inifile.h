#pragma once
#include <QDate>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>

// A settings file in the Windows profile format, held in memory: "[Section]"
// lines and "key=value" lines, Windows-1252 text, CR LF line ends. Section and
// key names match without regard to case; sections and keys keep the order in
// which they were first written. Dates and times are written in the locale's
// formats given at construction, each with an ISO 8601 companion key.
class TIniFile {
public:
    // No settings file comes near this; a bigger one is refused before it is
    // read, so a stray file cannot exhaust memory.
    static constexpr qint64 MaxFileBytes = 1024 * 1024;

    explicit TIniFile(const QLocale &locale);

    // Replaces the content with the file's; a missing file reads as empty. A
    // file that exists but cannot be read raises "Unable to read %s"; one
    // larger than MaxFileBytes is refused with a message saying so.
    void LoadFromFile(const QString &fileName);
    // Writes the whole content beside the file and replaces it in one step;
    // on failure raises "Unable to write to %s" and leaves any old file as it was.
    void SaveToFile(const QString &fileName) const;

    void LoadFromBytes(const QByteArray &bytes);
    QByteArray ToBytes() const;

    QStringList SectionNames() const;
    bool HasSection(const QString &section) const;

    // How messages name a key: the key alone in "General", else "[Section] key".
    static QString KeyName(const QString &section, const QString &key);

    // Text up to 2047 characters (a file's values lose their surrounding blanks).
    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // Decimal, or hexadecimal with a "0x" or "$" prefix; def when missing or invalid.
    int ReadInteger(const QString &section, const QString &key, int def) const;
    // The same within lowest to highest; def when missing, unless def itself
    // lies outside. A value that is no number or lies outside raises an
    // Exception naming the key and the text.
    int ReadInteger(const QString &section, const QString &key, int def, int lowest, int highest) const;
    // The number of record sections announced by countKey in "General"; the
    // sections are sectionPrefix followed by 0, 1, ... 0 when the key is
    // missing. A count that is no number, below 0, above most, or beyond the
    // sections present is refused naming the key.
    int ReadSectionCount(const QString &countKey, const QString &sectionPrefix, int most) const;
    // A date or time key with its companion (the key followed by "ISO"). A
    // valid companion wins when the key's text may mean the same (as another
    // locale writes it, or lost to the code page); when the key's text plainly
    // means something else, one of the two was edited by hand and the file is
    // refused. Without a companion the key's text is read in the locale's
    // form, the C locale's or ISO 8601 (see DateReadings). def when neither
    // is there. A text that cannot be read, or that can be read more than one
    // way, raises an Exception naming the key and the text as written:
    // nothing is ever taken from a guess.
    QDate ReadDate(const QString &section, const QString &key, const QDate &def) const;
    QTime ReadTime(const QString &section, const QString &key, const QTime &def) const;

    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    // The key in the locale's form, exactly as files have always held it, and
    // the companion that reads alike on every computer.
    void WriteDate(const QString &section, const QString &key, const QDate &value);
    void WriteTime(const QString &section, const QString &key, const QTime &value);

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
        QHash<QString, qsizetype> index; // case-folded key -> entry
    };

    const Section *FindSection(const QString &name) const;
    Section &SectionFor(const QString &name); // found, or appended
    const Entry *Find(const QString &section, const QString &key) const;
    // ReadDate and ReadTime, for T of QDate or QTime.
    template <typename T>
    T ReadStamp(const QString &section, const QString &key, const T &def) const;
    // Sets a key's value, appending the key when it is new.
    static void Put(Section &section, const QString &key, const QString &value);

    QLocale fLocale;
    QList<Section> fSections;
    QHash<QString, qsizetype> fSectionIndex; // case-folded name -> section
};
