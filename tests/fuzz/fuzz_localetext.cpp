// The date and time readers of settings files, in locales that write dates
// and times in every usual way. The first byte picks the locale, the next six
// a date and a time of day, and the rest is a text as a settings file holds
// it (8-bit code page). Checks:
//  - the readings of any text are valid, distinct, and among those of all
//    steps; the one reading is the only one;
//  - what the locale writes reads back, alone and in a settings file with its
//    ISO companion; without the companion the file gives the same value or a
//    refusal with a message, never another value.
#include "config/cp1252.h"
#include "config/exceptions.h"
#include "store/inifile.h"
#include "store/localetext.h"

#include <QCoreApplication>
#include <QSet>
#include <cstdio>
#include <cstdlib>

namespace {
QByteArray input;

void Require(bool holds, const char *what, const QString &detail = {})
{
    if (holds)
        return;
    std::fprintf(stderr, "broken: %s %s\ninput: %s\n", what, qPrintable(detail), input.toPercentEncoding(" ").constData());
    std::abort();
}

bool HeldWhole(const QString &text)
{
    return Cp1252::toUnicode(Cp1252::fromUnicode(text)) == text;
}

template <typename T>
void CheckReadings(const QList<T> &first, const QList<T> &every, const T &one)
{
    for (const T &reading : first)
        Require(reading.isValid() && every.contains(reading), "a reading not among all readings");
    for (const T &reading : every)
        Require(reading.isValid(), "an invalid reading");
    Require(QSet<T>(every.cbegin(), every.cend()).size() == every.size(), "a reading twice");
    Require(one == (first.size() == 1 ? first.first() : T()), "the one reading");
}

// The key's value read back from a file holding it as written, with its
// companion or without.
template <typename T, typename Write, typename Read>
void CheckFile(const QLocale &locale, const T &value, Write write, Read read)
{
    TIniFile written(locale);
    (written.*write)(QStringLiteral("General"), QStringLiteral("Key"), value);
    const QByteArray bytes = written.ToBytes();
    TIniFile file(locale);
    file.LoadFromBytes(bytes);
    QString error;
    T got;
    try {
        got = (file.*read)(QStringLiteral("General"), QStringLiteral("Key"), T());
    } catch (const Exception &e) {
        error = e.Message();
    }
    Require(error.isEmpty() && got == value, "written with its companion, read otherwise:",
            QString::fromLatin1(bytes) + error);

    QByteArray alone = bytes;
    alone.truncate(alone.indexOf("KeyISO="));
    file.LoadFromBytes(alone);
    try {
        got = (file.*read)(QStringLiteral("General"), QStringLiteral("Key"), T());
    } catch (const Exception &e) {
        Require(!e.Message().isEmpty(), "refused without a message");
        return;
    }
    Require(got == value, "written alone, read as another value:", QString::fromLatin1(alone));
}
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv); // lives as long as the process
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QList<QLocale> locales = {
        QLocale::c(),
        QLocale(QLocale::English, QLocale::UnitedStates),
        QLocale(QLocale::English, QLocale::UnitedKingdom),
        QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::French, QLocale::Canada),
        QLocale(QLocale::Dutch, QLocale::Netherlands),
        QLocale(QLocale::Finnish, QLocale::Finland),
        QLocale(QLocale::Hungarian, QLocale::Hungary),
        QLocale(QLocale::Bulgarian, QLocale::Bulgaria),
        QLocale(QLocale::Japanese, QLocale::Japan),
        QLocale(QLocale::Korean, QLocale::SouthKorea),
        QLocale(QLocale::Arabic, QLocale::Egypt),
    };
    if (size < 7)
        return 0;
    input = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
    const QLocale &locale = locales.at(data[0] % locales.size());
    const QDate date = QDate(1900, 1, 1).addDays((data[1] << 16 | data[2] << 8 | data[3]) % 110000);
    const QTime time = QTime(0, 0).addSecs((data[4] << 16 | data[5] << 8 | data[6]) % 86400);
    const QString text = Cp1252::toUnicode(QByteArrayView(data + 7, qsizetype(size - 7)));

    CheckReadings(DateReadings(text, locale), DateReadings(text, locale, true), TextToDate(text, locale));
    CheckReadings(TimeReadings(text, locale), TimeReadings(text, locale, true), TextToTime(text, locale));

    // Read as written where the code page holds the text whole; elsewhere
    // only the file, with its companion, can bring the value back.
    const QString dateText = DateToText(date, locale);
    if (HeldWhole(dateText))
        Require(TextToDate(dateText, locale) == date, "a date written reads otherwise:", dateText);
    const QString timeText = TimeToText(time, locale);
    if (HeldWhole(timeText))
        Require(TextToTime(timeText, locale) == time, "a time written reads otherwise:", timeText);
    CheckFile(locale, date, &TIniFile::WriteDate, &TIniFile::ReadDate);
    CheckFile(locale, time, &TIniFile::WriteTime, &TIniFile::ReadTime);
    return 0;
}
