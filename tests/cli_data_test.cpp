// stazione-cli export and plot on data files, as a technician runs them: the exact bytes of the
// table, the exit status and message of a file that cannot be read, and the picture.

#include "support/cli_run.h"
#include "support/files.h"
#include "support/program_env.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using stazione::testing::CliRun;

CliRun cli(const QStringList& arguments, const QString& standardOutput = {})
{
    stazione::testing::CliStart start;
    start.standardOutputFile = standardOutput;
    // The command line needs no display, whatever the tests' platform says.
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"})
        start.env.remove(QLatin1String(name));
    return stazione::testing::runCli(arguments, start);
}

const QByteArray kTemperatureFile =
    "DATA ACQ.: 05/12/2026  14:30:00,Numero Canali Attivi: 3 ,Numero Dati per Canale:      3\r\n"
    "\r\n\r\n\r\n\r\n\r\n"
    "05/03/26 07.04.09   ,023.5     ,**N.C.**  ,-003.0    \r\n"
    "05/03/26 07.14.09   ,024.0     ,080.0     ,-030.0    \r\n"
    "05/03/26 07.24.09   ,000.5     ,001.0     ,**N.C.**  \r\n";

const QByteArray kSessionFile = "[INIZIO DATI]\r\n"
                                "Date,CH 0,CH 1,CH 2,CH 3\r\n"
                                "05/12/2026 14:07:09,1250.123,1,2,3\r\n"
                                "05/12/2026 14:07:10,,1501,2,+3.50\r\n"
                                "05/12/2026 14:07:11,1251,Timeout,Timeout,Timeout\r\n"
                                "[FINE DATI]\r\n";

class CliData : public ::testing::Test {
protected:
    QString file(const QString& name, const QByteArray& bytes)
    {
        QString path = dir.filePath(name);
        stazione::testing::write(path, bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(CliData, ExportWritesTheExactTable)
{
    const CliRun run = cli({"export", file("STAZ1_05_03_26_TEMP.txt", kTemperatureFile)});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.outBytes, "time,CH 0,CH 1,CH 2\r\n"
                            "2026-03-05T07:04:09,23.5,,-3.0\r\n"
                            "2026-03-05T07:14:09,24.0,80.0,-30.0\r\n"
                            "2026-03-05T07:24:09,0.5,1.0,\r\n");

    // A span of time and two channels in the order asked, into a file.
    const QString out = dir.filePath("table.csv");
    const CliRun some = cli({"export", file("mc.txt", kSessionFile), "--out", out, "--from",
                             "2026-12-05T14:07:10", "--to", "2026-12-05 14:07:11", "--channels", "3,0"});
    EXPECT_EQ(some.exitCode, 0) << some.err.toStdString();
    EXPECT_EQ(stazione::testing::contents(out), "time,CH 3,CH 0\r\n"
                                                "2026-12-05T14:07:10,3.50,\r\n"
                                                "2026-12-05T14:07:11,,1251\r\n");
    EXPECT_TRUE(some.outBytes.isEmpty());

    // A whole day, and the logger's own lines when they read "date time; values".
    const CliRun day = cli({"export",
                            file("S_SENS.txt", "05/12/2026 23:59:59;1.250;-2.500\r\n"
                                               "06/12/2026 00:00:00;1.300;-2.400\r\n"),
                            "--from", "2026-12-05", "--to", "2026-12-05"});
    EXPECT_EQ(day.exitCode, 0) << day.err.toStdString();
    EXPECT_EQ(day.outBytes, "time,CH 0,CH 1\r\n2026-12-05T23:59:59,1.250,-2.500\r\n");
}

TEST_F(CliData, AMalformedLineEndsTheExportWithItsNumber)
{
    QByteArray broken = kTemperatureFile;
    broken.replace("024.0     ,080.0     ,", "024.0     ,80,0      ,");
    const QString out = dir.filePath("table.csv");
    const CliRun run = cli({"export", file("T_TEMP.txt", broken), "--out", out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("Line 8:")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("4 values instead of 3")) << run.err.toStdString();
    // Nothing half-written is left where the table was asked for.
    EXPECT_FALSE(QFile::exists(out));

    const CliRun sensor = cli({"export", file("S_SENS.txt", "REC;0001;T=23.5\r\nREC;0002;T=23.6\r\n")});
    EXPECT_EQ(sensor.exitCode, 1);
    EXPECT_TRUE(sensor.err.contains("it is not exported")) << sensor.err.toStdString();
    EXPECT_TRUE(sensor.outBytes.isEmpty());

    const CliRun missing = cli({"export", dir.filePath("none.txt")});
    EXPECT_EQ(missing.exitCode, 1);

    EXPECT_EQ(cli({"export", file("mc.txt", kSessionFile), "--channels", "7"}).exitCode, 2);
    EXPECT_EQ(cli({"export", file("mc.txt", kSessionFile), "--from", "yesterday"}).exitCode, 2);
    EXPECT_EQ(cli({"export"}).exitCode, 2);
}

TEST_F(CliData, PlotDrawsThePictureWithoutADisplay)
{
    QByteArray rows = "[INIZIO DATI]\r\nDate,CH 0,CH 1\r\n";
    for (int i = 0; i < 600; ++i)
        rows += QStringLiteral("05/12/2026 %1:%2:00,%3,%4\r\n")
                    .arg(8 + i / 60, 2, 10, QLatin1Char('0'))
                    .arg(i % 60, 2, 10, QLatin1Char('0'))
                    .arg(i % 50)
                    .arg(i % 7 == 0 ? QString("Timeout") : QString::number(100 - i % 30))
                    .toLatin1();
    const QString png = dir.filePath("chart.png");
    const CliRun run = cli({"plot", file("mc.txt", rows), "--png", png, "--width", "800", "--height", "400"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage picture(png);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(800, 400));
    // Channel 0 draws in the session chart's red.
    int red = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            red += picture.pixelColor(x, y) == QColor(240, 0, 0) ? 1 : 0;
    EXPECT_GT(red, 200);

    const CliRun bad =
        cli({"plot", file("bad.txt", "[INIZIO DATI]\r\nDate,CH 0\r\n05/12/2026 08:00:00,x\r\n"), "--png",
             dir.filePath("bad.png")});
    EXPECT_EQ(bad.exitCode, 1);
    // The command line speaks English, its chart program included.
    EXPECT_TRUE(bad.err.contains("Line 3:")) << bad.err.toStdString();
    EXPECT_FALSE(bad.err.contains("Riga")) << bad.err.toStdString();
    EXPECT_EQ(cli({"plot", file("mc.txt", rows)}).exitCode, 2);
}

// Inputs and outputs from anywhere: each refused with its reason, in bounded time, and nothing
// written but the table asked for.
TEST_F(CliData, HostileInputsAreRefusedWithTheirReason)
{
    const QString out = dir.filePath("table.csv");
    // A device: refused before it is read.
    const CliRun zero = cli({"export", "/dev/zero", "--out", out});
    EXPECT_EQ(zero.exitCode, 1) << zero.err.toStdString();
    EXPECT_TRUE(zero.err.contains("/dev/zero")) << zero.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    const CliRun plotZero = cli({"plot", "/dev/zero", "--png", dir.filePath("zero.png")});
    EXPECT_EQ(plotZero.exitCode, 1) << plotZero.err.toStdString();

    // A regular file that is one endless line: ended at the line-length limit.
    const QString line = file("line.txt", QByteArray(3 << 20, 'x'));
    const CliRun endless = cli({"export", line, "--out", out});
    EXPECT_EQ(endless.exitCode, 1);
    EXPECT_TRUE(endless.err.contains("1 MiB")) << endless.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    const CliRun plotEndless = cli({"plot", line, "--png", dir.filePath("line.png")});
    EXPECT_EQ(plotEndless.exitCode, 1);
    EXPECT_TRUE(plotEndless.err.contains("1 MiB")) << plotEndless.err.toStdString();

    // 5,000 channels of the logger's own lines: the same limit as the other kinds.
    QByteArray wide = "05/12/2026 14:07:09";
    for (int c = 0; c < 5000; ++c)
        wide += ";1";
    const CliRun many = cli({"plot", file("wide.txt", wide + "\r\n"), "--png", dir.filePath("wide.png")});
    EXPECT_EQ(many.exitCode, 1);
    EXPECT_TRUE(many.err.contains("128")) << many.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("wide.png")));
}

TEST_F(CliData, TheOutputIsNeverTheInputNorADevice)
{
    const QString input = file("mc.txt", kSessionFile);
    const QString link = dir.filePath("link.csv");
    ASSERT_TRUE(QFile::link(input, link));
    const QString fifo = dir.filePath("fifo.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& target : {input, link, fifo, dir.path()}) {
        const CliRun run = cli({"export", input, "--out", target});
        EXPECT_EQ(run.exitCode, 2) << target.toStdString();
        EXPECT_TRUE(run.err.contains("--out")) << run.err.toStdString();
    }
    EXPECT_EQ(stazione::testing::contents(input), kSessionFile);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(QFileInfo(fifo).isFile());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 3);
}

TEST_F(CliData, AFailedWriteNamesTheOutputNotAnInputLine)
{
    QByteArray rows = "[INIZIO DATI]\r\nDate,CH 0,CH 1,CH 2,CH 3\r\n";
    for (int r = 0; r < 200000; ++r)
        rows += "05/12/2026 14:07:09,1250.123,1,2,3\r\n";
    const CliRun run = cli({"export", file("big.txt", rows)}, "/dev/full");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("big.txt")) << run.err.toStdString();
}

TEST_F(CliData, NamesAreInertAndEachSessionKeepsItsOwn)
{
    const CliRun run = cli({"export", file("mc.txt", "[INIZIO DATI]\r\nDate,=1+1,@SUM(1)\r\n"
                                                     "05/12/2026 14:07:09,-1,2\r\n[FINE DATI]\r\n"
                                                     "[INIZIO DATI]\r\nDate,-2+3,+A1\r\n"
                                                     "05/12/2026 15:07:09,3,-4\r\n[FINE DATI]\r\n")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.outBytes, "time,\"'=1+1\",\"'@SUM(1)\"\r\n2026-12-05T14:07:09,-1,2\r\n"
                            "\r\ntime,\"'-2+3\",\"'+A1\"\r\n2026-12-05T15:07:09,3,-4\r\n");
    EXPECT_TRUE(run.err.contains("2 tables")) << run.err.toStdString();
}

TEST_F(CliData, PlotShowsTheFilesBytesEscapedAndNoPlatformNoise)
{
    const CliRun bad =
        cli({"plot", file("esc.txt", "\x1b]0;title\x07\x1b[2J\r\n"), "--png", dir.filePath("e.png")});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_FALSE(bad.err.contains(QChar(0x1b))) << bad.err.toStdString();
    EXPECT_FALSE(bad.err.contains(QChar(0x07)));
    EXPECT_TRUE(bad.err.contains("\\x1b")) << bad.err.toStdString();

    // Values no sensor gives are gaps, counted; the rest is drawn, and the platform says nothing.
    const QByteArray huge = "178" + QByteArray(306, '0');
    QByteArray rows = "[INIZIO DATI]\r\nDate,CH 0\r\n05/12/2026 08:00:00," + huge +
                      "\r\n05/12/2026 08:00:01,-" + huge + "\r\n";
    for (int s = 2; s < 27; ++s)
        rows += "05/12/2026 08:00:" + QByteArray::number(s).rightJustified(2, '0') + "," +
                QByteArray::number(s % 5) + "\r\n";
    const QString png = dir.filePath("huge.png");
    const CliRun run = cli({"plot", file("huge.txt", rows), "--png", png});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.err.toStdString(),
              (dir.filePath("huge.txt") + ": 2 values out of range drawn as gaps.\n").toStdString());
    const QImage picture(png);
    int red = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            red += picture.pixelColor(x, y) == QColor(240, 0, 0) ? 1 : 0;
    EXPECT_GT(red, 200);
}

// The picture never takes the place of its data file, also through a link or another name, and
// a link named by --png is replaced by the picture, never written through.
TEST_F(CliData, PlotNeverOverwritesItsInputNorWritesThroughALink)
{
    const QString input = file("mc.txt", kSessionFile);
    const QString hard = dir.filePath("hard.png");
    ASSERT_EQ(::link(QFile::encodeName(input).constData(), QFile::encodeName(hard).constData()), 0);
    const QString soft = dir.filePath("soft.png");
    ASSERT_TRUE(QFile::link(input, soft));
    for (const QString& target : {input, hard, soft}) {
        const CliRun run = cli({"plot", input, "--png", target});
        EXPECT_EQ(run.exitCode, 2) << target.toStdString();
        EXPECT_TRUE(run.err.contains("is the data file itself")) << run.err.toStdString();
    }
    EXPECT_EQ(stazione::testing::contents(input), kSessionFile);
    EXPECT_TRUE(QFileInfo(soft).isSymLink());

    // A link to another file: the link gives way to the picture; the file it led to stays.
    const QString other = file("other.txt", "keep me\n");
    const QString chart = dir.filePath("chart.png");
    ASSERT_TRUE(QFile::link(other, chart));
    const CliRun drawn = cli({"plot", input, "--png", chart});
    ASSERT_EQ(drawn.exitCode, 0) << drawn.err.toStdString();
    EXPECT_FALSE(QFileInfo(chart).isSymLink());
    EXPECT_FALSE(QImage(chart).isNull());
    EXPECT_EQ(stazione::testing::contents(other), "keep me\n");
    // Readable as any new file is, and no temporary file left beside it.
    EXPECT_TRUE(QFileInfo(chart).permissions() & QFile::ReadGroup);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".chart.png"), QStringList());

    // A device is no picture file; a picture that cannot be written whole is a failure with its
    // reason, and the picture it would have replaced stays.
    const CliRun full = cli({"plot", input, "--png", "/dev/full"});
    EXPECT_EQ(full.exitCode, 2);
    EXPECT_TRUE(full.err.contains("/dev/full is not a regular file")) << full.err.toStdString();
    const QByteArray before = stazione::testing::contents(chart);
    QProcess limited;
    limited.setChildProcessModifier([] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 512;
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    limited.start(STAZIONE_CLI_PROGRAM, {"plot", input, "--png", chart});
    ASSERT_TRUE(limited.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(limited.readAllStandardError());
    EXPECT_EQ(limited.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(chart + " cannot be written: " + QString::fromLocal8Bit(std::strerror(EFBIG))))
        << err.toStdString();
    EXPECT_FALSE(err.contains("Unknown error")) << err.toStdString();
    EXPECT_EQ(stazione::testing::contents(chart), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(".chart.png"), QStringList());
}

// A table to a full disk or to a reader gone away is a failure with its reason, however small.
TEST_F(CliData, AnExportThatCannotBeWrittenOutFails)
{
    const QString input = file("mc.txt", kSessionFile);
    const CliRun full = cli({"export", input}, "/dev/full");
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_TRUE(full.err.contains(QString::fromLocal8Bit(std::strerror(ENOSPC)))) << full.err.toStdString();

    QProcess p;
    p.setChildProcessModifier(stazione::testing::stdoutToAClosedPipe);
    p.start(STAZIONE_CLI_PROGRAM, {"export", input});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(err.contains(QString::fromLocal8Bit(std::strerror(EPIPE)))) << err.toStdString();
}

// A table that does not fit on the disk never takes the place of a file, and the message names the
// system's reason ("Unknown error" was all a write cut short said).
TEST_F(CliData, AnExportToAFullDiskKeepsNothingAndSaysWhy)
{
    QByteArray rows = "[INIZIO DATI]\r\nDate,CH 0,CH 1,CH 2,CH 3\r\n";
    for (int r = 0; r < 60; ++r)
        rows += "05/12/2026 14:07:09,1250.123,1,2,3\r\n";
    const QString small = file("small.txt", rows);
    for (int r = 0; r < 60000; ++r)
        rows += "05/12/2026 14:07:09,1250.123,1,2,3\r\n";
    const QString big = file("big.txt", rows);
    const QString out = dir.filePath("table.csv");
    const QByteArray earlier = "the table of yesterday\r\n";
    stazione::testing::write(out, earlier);
    for (const QString& input : {small, big}) {
        QProcess limited;
        limited.setChildProcessModifier([] {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 1024; // less than either table
            setrlimit(RLIMIT_FSIZE, &limit);
        });
        limited.start(STAZIONE_CLI_PROGRAM, {"export", input, "--out", out});
        ASSERT_TRUE(limited.waitForFinished(60000));
        const QString err = QString::fromLocal8Bit(limited.readAllStandardError());
        EXPECT_EQ(limited.exitCode(), 1) << input.toStdString() << ": " << err.toStdString();
        EXPECT_TRUE(err.contains(QString::fromLocal8Bit(std::strerror(EFBIG)))) << err.toStdString();
        EXPECT_FALSE(err.contains("Unknown error")) << err.toStdString();
        EXPECT_EQ(stazione::testing::contents(out), earlier) << input.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("table.csv"),
              QStringList{"table.csv"});
}

// A path with %1, %2 or %L1 in it is printed as it is.
TEST_F(CliData, PathsWithPercentSignsArePrintedAsTheyAre)
{
    const QString odd = dir.filePath("E%3 %1 %2 %L1");
    ASSERT_TRUE(QDir().mkpath(odd));
    const QString input = odd + "/mc%1.txt";
    stazione::testing::write(input, "[INIZIO DATI]\r\nDate,A\r\n05/12/2026 14:07:09,-1\r\n[FINE DATI]\r\n"
                                    "[INIZIO DATI]\r\nDate,B\r\n05/12/2026 15:07:09,3\r\n[FINE DATI]\r\n");
    const CliRun run = cli({"export", input});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(input + ": 2 tables")) << run.err.toStdString();

    const QByteArray huge = "178" + QByteArray(306, '0');
    const QString gaps = odd + "/huge%2.txt";
    stazione::testing::write(gaps, "[INIZIO DATI]\r\nDate,CH 0\r\n05/12/2026 08:00:00," + huge +
                                       "\r\n05/12/2026 08:00:01,1\r\n05/12/2026 08:00:02,2\r\n");
    const CliRun plotted = cli({"plot", gaps, "--png", odd + "/p%1.png"});
    EXPECT_EQ(plotted.exitCode, 0) << plotted.err.toStdString();
    EXPECT_EQ(plotted.err.toStdString(), (gaps + ": 1 values out of range drawn as gaps.\n").toStdString());
    const CliRun exported = cli({"export", gaps, "--out", odd + "/t%1.csv"});
    EXPECT_EQ(exported.exitCode, 0) << exported.err.toStdString();
    EXPECT_TRUE(exported.err.contains(gaps + ": 1 values out of range left empty."))
        << exported.err.toStdString();
}

} // namespace
