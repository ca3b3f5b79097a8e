#pragma once
#include <QDate>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTime>

// A settings file in the Windows profile format, held in memory: "[Section]"
// lines and "key=value" lines, Windows-1252 text, CR LF line ends. Section and
// key names match without regard to case; sections and keys keep the order in
// which they were first written. Dates and times are written in the locale's
// formats given at construction.
class TIniFile {
public:
    explicit TIniFile(const QLocale &locale);

    // Replaces the content with the file's; a missing file reads as empty. A
    // file that exists but cannot be read raises "Unable to read %s".
    void LoadFromFile(const QString &fileName);
    // Writes the whole content beside the file and replaces it in one step;
    // on failure raises "Unable to write to %s" and leaves any old file as it was.
    void SaveToFile(const QString &fileName) const;

    void LoadFromBytes(const QByteArray &bytes);
    QByteArray ToBytes() const;

    QStringList SectionNames() const;

    // Text up to 2047 characters (a file's values lose their surrounding blanks).
    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // Decimal, or hexadecimal with a "0x" or "$" prefix; def when missing or invalid.
    int ReadInteger(const QString &section, const QString &key, int def) const;
    // Dates and times in the locale's formats, or in another usual form (see
    // TextToDate, TextToTime); def when missing or unreadable.
    QDate ReadDate(const QString &section, const QString &key, const QDate &def) const;
    QTime ReadTime(const QString &section, const QString &key, const QTime &def) const;

    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
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
    };

    const Section *FindSection(const QString &name) const;
    Section &SectionFor(const QString &name); // found, or appended
    const Entry *Find(const QString &section, const QString &key) const;

    QLocale fLocale;
    QList<Section> fSections;
};
