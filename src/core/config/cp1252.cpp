#include "cp1252.h"

#include "messages.h"

namespace {
// 0x80..0x9F; the five bytes Windows leaves undefined map to the C1 control of
// the same value, as Windows' own conversion does, so every byte round-trips.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char toByte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return char(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c)
            return char(0x80 + i);
    return '?';
}

bool fitsName(char32_t c)
{
    const bool control = c < 0x20 || (c >= 0x7F && c < 0xA0);
    return !control && c <= 0xFFFF && (toByte(char16_t(c)) != '?' || c == u'?');
}
}

QString Cp1252::toUnicode(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        d[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return out;
}

QByteArray Cp1252::fromUnicode(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i; // one character outside the BMP, one replacement
        out.append(toByte(c.unicode()));
    }
    return out;
}

QString Cp1252::NameText(const QString &typed)
{
    QString out;
    for (const char32_t c : typed.normalized(QString::NormalizationForm_C).toUcs4())
        if (fitsName(c))
            out += QChar(char16_t(c)); // every character that fits is in the BMP
    return out;
}

QString Cp1252::NameRefusal(const QString &typed)
{
    QList<char32_t> refused;
    for (const char32_t c : typed.normalized(QString::NormalizationForm_C).toUcs4())
        if (!fitsName(c) && !refused.contains(c))
            refused << c;
    if (refused.isEmpty())
        return {};
    QStringList shown;
    for (const char32_t c : refused) {
        // A character that cannot be seen is named by its code.
        shown << (QChar::isPrint(c) ? QStringView(QChar::fromUcs4(c)).toString()
                                    : QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper());
    }
    return Fmt(Msg::NameCharactersRefused, shown.join(u' '));
}
