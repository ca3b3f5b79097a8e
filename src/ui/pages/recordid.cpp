#include "pages/recordid.h"

#include <QRandomGenerator>

int DrawRecordId(const QSet<int> &taken)
{
    for (;;) {
        const int id = int(QRandomGenerator::global()->bounded(100000));
        if (!taken.contains(id))
            return id;
    }
}
