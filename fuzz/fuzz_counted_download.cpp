// The counted download: the logger's bytes as the answer to "a", decoded and checked into the
// temperature file.

#include "data/downloads.h"
#include "fuzz/fuzz_support.h"

using namespace stazione;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Connection c(fuzz::bytesOf(data, size));
    const QString path = fuzz::workFolder().filePath(QStringLiteral("STAZ1_06_12_26_TEMP.txt"));
    (void)data::downloadTemperatures(c.link, path, QDateTime(QDate(2026, 12, 6), QTime(12, 0)));
    for (const QString& file : QDir(fuzz::workFolder().path()).entryList({QStringLiteral("STAZ1_*")}))
        QFile::remove(fuzz::workFolder().filePath(file));
    return 0;
}
