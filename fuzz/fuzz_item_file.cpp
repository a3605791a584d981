// Feeds arbitrary bytes to the item-file parser: it must never crash, and whatever it accepts
// must stay inside the table's bounds and write back to bytes that parse the same.
#include <cstdint>
#include <cstdlib>

#include "store/item_file_format.h"

using namespace dravesse;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<ItemFileContents> file = ParseItemFile(bytes);
    if (!file) return 0;
    if (file->rowCount < 1 || file->rowCount > kMaxItemRows || file->colCount < 1 ||
        file->colCount > kMaxValueCols || file->linesRead < 1 || file->linesRead > kMaxItemRows)
        std::abort();
    (void)LinksMatch(file->table, file->rowCount, file->colCount);
    return 0;
}
