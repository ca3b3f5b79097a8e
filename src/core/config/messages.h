#pragma once
#include <QString>
#include <QStringList>

// The message table: every text the program shows an operator, in one place.
// Texts use "%s" and "%d" placeholders, filled in order by Fmt().
namespace Msg {
// Library database
inline constexpr const char *DbOpenFailed = "Failed to open database \"%s\"";
inline constexpr const char *DbCompileError = "Error: %s%s%s";
inline constexpr const char *DbReadOnlyOrMissing = "Database file is read-only or file is missing \"%s\"";
inline constexpr const char *DbUnknownError = "Unknown database error! Error Code: \"%d\"";
inline constexpr const char *DbFunctionsDisabled =
    "The software could not open database \"%s\". All database functions will be disabled.";
inline constexpr const char *DbFileChanged = "Database file was changed. Please restart the application now.";

// Files
inline constexpr const char *UnableToWrite = "Unable to write to %s";
}

namespace MsgDetail {
inline QString arg(const QString &s) { return s; }
inline QString arg(const char *s) { return QString::fromUtf8(s); }
inline QString arg(const QByteArray &s) { return QString::fromUtf8(s); }
template <typename T> QString arg(T n) { return QString::number(n); }
QString format(const QString &pattern, const QStringList &args);
}

// Fills "%s" and "%d" placeholders in order; "%%" is a literal percent sign.
template <typename... Args>
QString Fmt(const QString &pattern, const Args &...args)
{
    return MsgDetail::format(pattern, QStringList{MsgDetail::arg(args)...});
}
