// The saved port files, qx255.ini and pmodem.ini, read back as the connection and the modem
// window read them.

#include "fuzz/fuzz_support.h"
#include "session/port_scan.h"

using namespace stazione;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path = fuzz::workFolder().filePath(QStringLiteral("qx255.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(fuzz::bytesOf(data, size));
    file.close();
    (void)session::readSavedPort(path);
    return 0;
}
