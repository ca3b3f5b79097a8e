#include "config/messages.h"

QString MsgDetail::format(const QString &pattern, const QStringList &args)
{
    QString out;
    out.reserve(pattern.size() + 32);
    qsizetype next = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c != u'%' || i + 1 >= pattern.size()) {
            out.append(c);
            continue;
        }
        const QChar kind = pattern.at(i + 1);
        if (kind == u'%') {
            out.append(u'%');
            ++i;
        } else if ((kind == u's' || kind == u'd') && next < args.size()) {
            out.append(args.at(next++));
            ++i;
        } else {
            out.append(c);
        }
    }
    return out;
}
