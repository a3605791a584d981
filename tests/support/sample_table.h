#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "store/item_file_format.h"
#include "support/qt_print.h"

namespace dravesse::test {

// A small table with a credentials row: 4 rows, 3 columns.
SaveInput SampleTable();

// Copies a table into the shared state, as a load would leave it.
void PutInSharedState(const SaveInput& in);

// The bytes of an item file whose rows are the given plain texts, each scrambled, under a header.
QByteArray ItemFileBytes(const QByteArray& header, const QList<QByteArray>& plainRows);

// Row 0's first value when the bytes are a sound table (every row the header counts, every link
// matching), else an empty string: how tests tell which table a file holds.
QString SoundFirstValue(const QByteArray& bytes);

}  // namespace dravesse::test
