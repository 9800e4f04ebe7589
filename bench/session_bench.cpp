// A continuous measurement session that has run for a long time: the work of one set (a row in
// the grid, a line in the file, the chart of the latest 1000 rows redrawn), as the GUI thread's
// processor time over 1500 sets, at row 1,000 (after the first sets have laid the windows out)
// and at row 100,000 of the same run, and the memory the session holds at 100,000 rows of 16
// channels.
//
//   QT_QPA_PLATFORM=offscreen stazione-session-bench [--rows N]

#include "bench/bench_support.h"
#include "live/chart_data.h"
#include "live/measurement.h"
#include "live/session_table.h"
#include "ui/grafici.h"
#include "ui/mis_cont.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QScrollBar>
#include <QTableView>

#include <cstring>

using namespace stazione;

namespace {

constexpr int kChannels = 16;
// Sets timed at each point: the thread's processor time over this many sets agrees within a few
// per cent from run to run, where the wall clock over a hundred swung by half.
constexpr int kMeasured = 1500;

struct Session {
    live::SessionTable table;
    ui::MisCont window;
    ui::Grafici chart;
    live::SessionFile file;
    qint64 row = 0;
    QDateTime clock = QDateTime(QDate(2026, 12, 5), QTime(8, 0));

    explicit Session(const QString& path)
    {
        window.Grid1->setModel(&table);
        // As the session window keeps them: the rows are in the file, read back when shown.
        table.setRowStore(live::SessionTable::RowStore::File);
        table.start(kChannels);
        chart.setChannels(kChannels);
        chart.chkCH[0]->setChecked(true);
        chart.chkCH[1]->setChecked(true);
        window.show();
        chart.show();
        (void)file.create(path);
        (void)file.append(live::kStartMark);
        (void)file.append(table.header().join(QLatin1Char(',')));
        table.setSessionFile(path);
    }

    void fill()
    {
        table.setCell(0, clock.addSecs(row).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")));
        for (int c = 1; c <= kChannels; ++c)
            table.setCell(c, QString::number(20.0 + 5.0 * std::sin(double(row + c) / 300.0), 'f', 3));
    }

    // What the session does for each set while its chart is open.
    void oneSet()
    {
        fill();
        chart.draw(live::chartWindow(table, 1000, chart.tickedBoxes()));
        const QString line = table.fillingLine();
        table.completeRow();
        (void)file.append(line);
        window.Grid1->scrollToBottom();
        QCoreApplication::processEvents();
        ++row;
    }

    // Rows added without the chart, to get far into the session quickly.
    void skipTo(qint64 rows)
    {
        while (row < rows) {
            fill();
            const QString line = table.fillingLine();
            table.completeRow();
            (void)file.append(line);
            ++row;
            if (row % 5000 == 0)
                QCoreApplication::processEvents();
        }
    }

    // The GUI thread's processor time per set: the grid, the file line, the chart and the
    // painting all run there.
    double millisecondsPerSet()
    {
        const double start = bench::threadCpuSeconds();
        for (int i = 0; i < kMeasured; ++i)
            oneSet();
        return (bench::threadCpuSeconds() - start) * 1e3 / kMeasured;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    qint64 rows = 100000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rows") == 0)
            rows = std::atoll(argv[i + 1]);
    }
    QTemporaryDir folder;
    Session session(folder.filePath(QStringLiteral("mc.txt")));
    session.skipTo(900);
    QElapsedTimer wall;
    wall.start();
    // The first sets also lay the windows out and load fonts: they are not the session's cost.
    session.millisecondsPerSet();
    const double early = session.millisecondsPerSet();
    session.skipTo(rows);
    const double late = session.millisecondsPerSet();
    const double peak = bench::peakResidentMegabytes();
    std::printf("(%d sets timed at each point; the run took %.1f s)\n", kMeasured,
                double(wall.elapsed()) / 1e3);
    std::printf(
        "per set (grid row, file line, chart of 1000 rows): %.2f ms at row 1,000, %.2f ms at row %lld: "
        "ratio %.2f (target <= 1.20) %s\n",
        early, late, static_cast<long long>(rows), late / early, late / early <= 1.2 ? "OK" : "OVER TARGET");
    // A session of a million rows (about twelve days at one set a second) is held to 150 MB.
    const double target = session.row >= 1000000 ? 150 : 200;
    std::printf("peak memory with %lld rows of %d channels: %.0f MB (target <= %.0f MB) %s\n",
                static_cast<long long>(session.row), kChannels, peak, target,
                peak <= target ? "OK" : "OVER TARGET");
    return 0;
}
