// The station directory: modem.ini and last.ini, read as the modem window reads them. The input
// up to its first zero byte is modem.ini, the rest last.ini.

#include "fuzz/fuzz_support.h"
#include "modem/stations.h"

using namespace stazione;

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzz::bytesOf(data, size);
    const qsizetype split = bytes.indexOf('\0');
    const QString stations = fuzz::workFolder().filePath(QStringLiteral("modem.ini"));
    const QString lastCalls = fuzz::workFolder().filePath(QStringLiteral("last.ini"));
    write(stations, split < 0 ? bytes : bytes.left(split));
    write(lastCalls, split < 0 ? QByteArray() : bytes.mid(split + 1));
    const modem::StationDirectory directory = modem::loadStations(stations, lastCalls);
    for (const modem::Station& station : directory)
        (void)(station.Nome.size() + station.Telefono.size() + station.Scadenza.size() +
               station.Uldata.size());
    return 0;
}
