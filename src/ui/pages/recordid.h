#pragma once
#include <QSet>

// The id of a new record: random from 0 to 99 999, drawn again while a record
// of the same schedule or calendar already has it, because an edit overwrites
// every record that shares the edited record's id.
int DrawRecordId(const QSet<int> &taken);
