#include "cli/cli.h"
#include "data/csv_export.h"
#include "link/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

#include <cstdio>

namespace stazione::cli {

// "2026-12-05T14:30:00", "2026-12-05 14:30" or a day, "2026-12-05" (from its start, or to its end).
std::optional<qint64> wallTime(const QString& text, bool endOfDay)
{
    QString iso = text.trimmed();
    if (iso.size() > 10 && iso[10] == QLatin1Char(' '))
        iso[10] = QLatin1Char('T');
    const QDateTime when = QDateTime::fromString(iso, Qt::ISODate);
    if (when.isValid() && iso.contains(QLatin1Char('T')))
        return data::wallMilliseconds(when);
    const QDate day = QDate::fromString(iso, Qt::ISODate);
    if (!day.isValid())
        return std::nullopt;
    const qint64 start = data::wallMilliseconds(QDateTime(day, QTime(0, 0)));
    return endOfDay ? start + 86400000 - 1 : start;
}

std::optional<std::vector<int>> channelList(const QString& text)
{
    std::vector<int> channels;
    for (const QString& part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int channel = part.trimmed().toInt(&ok);
        if (!ok || channel < 0)
            return std::nullopt;
        channels.push_back(channel);
    }
    return channels;
}

namespace {

int refuse(const QString& text)
{
    message(QStringLiteral("stazione-cli: ") + text);
    return kExitUsage;
}

} // namespace

int runExport(const Options& options)
{
    if (options.arguments.size() != 1)
        return refuse(QStringLiteral("export takes one data file: stazione-cli export FILE [--out F]."));
    data::ExportOptions what;
    if (!options.from.isEmpty()) {
        what.from = wallTime(options.from, false);
        if (!what.from)
            return refuse(QStringLiteral("--from takes a date and time such as 2026-12-05T14:30:00."));
    }
    if (!options.to.isEmpty()) {
        what.to = wallTime(options.to, true);
        if (!what.to)
            return refuse(QStringLiteral("--to takes a date and time such as 2026-12-05T14:30:00."));
    }
    if (!options.channels.isEmpty()) {
        const auto channels = channelList(options.channels);
        if (!channels)
            return refuse(QStringLiteral("--channels takes channel numbers such as 0,3."));
        what.channels = *channels;
    }

    const QString path = options.arguments.first();
    const bool toConsole = options.out.isEmpty() || options.out == QStringLiteral("-");
    // Checked before anything is opened for writing: the table must not take the data file's
    // place, nor turn a device into a regular file.
    if (!toConsole) {
        switch (data::exportTarget(path, options.out)) {
        case data::ExportTarget::SameAsInput:
            return refuse(QStringLiteral("--out %1 is the data file itself: the table would replace it.")
                              .arg(options.out));
        case data::ExportTarget::NotRegular:
            return refuse(QStringLiteral("--out %1 is not a regular file.").arg(options.out));
        case data::ExportTarget::Fine:
            break;
        }
    }
    QFile input;
    if (auto opened = data::openDataFile(input, path); !opened) {
        message(QStringLiteral("stazione-cli: ") + opened.error().message);
        return kExitFailure;
    }
    // A table that is cut short never takes the place of a good one: it is written aside and
    // renamed only when complete.
    std::unique_ptr<QIODevice> output;
    if (toConsole) {
        auto console = std::make_unique<QFile>();
        // Unbuffered: a failed write is seen at the write, with its reason.
        if (!console->open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            message(QStringLiteral("The standard output cannot be written."));
            return kExitFailure;
        }
        output = std::move(console);
    } else {
        auto file = std::make_unique<QSaveFile>(options.out);
        if (!file->open(QIODevice::WriteOnly)) {
            message(QStringLiteral("Cannot create %1: %2").arg(options.out, file->errorString()));
            return kExitFailure;
        }
        output = std::move(file);
    }
    data::DataError where;
    auto exported = data::exportCsv(input, *output, what, &where);
    if (!exported) {
        // A write that failed is about the output; only a fault of the data names the input.
        if (exported.error().kind == link::ErrorKind::File)
            message(QStringLiteral("stazione-cli: ") + exported.error().message);
        else
            message(path + QStringLiteral(": ") + exported.error().message);
        if (exported.error().kind == link::ErrorKind::Data && where.line == 0 && !what.channels.empty())
            return kExitUsage;
        return kExitFailure;
    }
    // The standard output's own buffer is written out here, while the reason can still be told.
    if (QString why; toConsole && !link::flushWhole(static_cast<QFileDevice&>(*output), &why))
        outputFailed(why);
    if (auto* file = qobject_cast<QSaveFile*>(output.get())) {
        // QSaveFile commits a table whose last piece did not fit on the disk: the buffer is
        // written out here, and the table kept only when all of it went.
        QString why;
        if (!link::flushWhole(*file, &why)) {
            file->cancelWriting();
            message(QStringLiteral("stazione-cli: ") + options.out + QStringLiteral(" cannot be written: ") +
                    why);
            return kExitFailure;
        }
        if (!file->commit()) {
            message(QStringLiteral("stazione-cli: ") + options.out + QStringLiteral(" cannot be written: ") +
                    file->errorString());
            return kExitFailure;
        }
    }
    if (exported->outOfRange > 0)
        message(path + QStringLiteral(": %1 values out of range left empty.").arg(exported->outOfRange));
    if (exported->tables > 1)
        message(
            path +
            QStringLiteral(": %1 tables, one for each session with other channels.").arg(exported->tables));
    if (!toConsole)
        message(QStringLiteral("%1 rows of the %2 in %3")
                    .arg(exported->rows)
                    .arg(data::kindName(exported->kind), options.out));
    return kExitOk;
}

// The chart needs the window toolkit, which this program does not link so that it runs where
// there is no display: the drawing is done by stazione-plot, which renders off screen.
int runPlot(const Options& options)
{
    if (options.arguments.size() != 1 || options.png.isEmpty())
        return refuse(
            QStringLiteral("plot takes one data file and --png OUT: stazione-cli plot FILE --png OUT."));
    const QString name = QStringLiteral("stazione-plot");
    QString program = QDir(QCoreApplication::applicationDirPath()).filePath(name);
#ifdef STAZIONE_PLOT_PROGRAM
    if (!QFileInfo(program).isExecutable())
        program = QStringLiteral(STAZIONE_PLOT_PROGRAM);
#endif
    if (!QFileInfo(program).isExecutable())
        program = name; // from the PATH
    QStringList arguments{options.arguments.first(), QStringLiteral("--png"), options.png};
    if (options.width)
        arguments << QStringLiteral("--width") << QString::number(*options.width);
    if (options.height)
        arguments << QStringLiteral("--height") << QString::number(*options.height);
    QProcess plot;
    plot.setProcessChannelMode(QProcess::ForwardedChannels);
    plot.start(program, arguments);
    if (!plot.waitForStarted()) {
        message(QStringLiteral("stazione-plot, which draws the chart, cannot be started: %1")
                    .arg(plot.errorString()));
        return kExitFailure;
    }
    plot.waitForFinished(-1);
    if (plot.exitStatus() != QProcess::NormalExit) {
        message(QStringLiteral("stazione-plot ended abnormally."));
        return kExitFailure;
    }
    return plot.exitCode();
}

} // namespace stazione::cli
