// stazione-cli export and plot on data files, as a technician runs them: the exact bytes of the
// table, the exit status and message of a file that cannot be read, and the picture.

#include "support/files.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

CliRun cli(const QStringList& arguments)
{
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    // The command line needs no display, whatever the tests' platform says.
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    p.setProcessEnvironment(env);
    p.start(STAZIONE_CLI_PROGRAM, arguments);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), p.readAllStandardOutput(), QString::fromLocal8Bit(p.readAllStandardError())};
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
    EXPECT_EQ(run.out, "time,CH 0,CH 1,CH 2\r\n"
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
    EXPECT_TRUE(some.out.isEmpty());

    // A whole day, and the logger's own lines when they read "date time; values".
    const CliRun day = cli({"export",
                            file("S_SENS.txt", "05/12/2026 23:59:59;1.250;-2.500\r\n"
                                               "06/12/2026 00:00:00;1.300;-2.400\r\n"),
                            "--from", "2026-12-05", "--to", "2026-12-05"});
    EXPECT_EQ(day.exitCode, 0) << day.err.toStdString();
    EXPECT_EQ(day.out, "time,CH 0,CH 1\r\n2026-12-05T23:59:59,1.250,-2.500\r\n");
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
    EXPECT_TRUE(sensor.err.contains("non si esporta")) << sensor.err.toStdString();
    EXPECT_TRUE(sensor.out.isEmpty());

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
    EXPECT_TRUE(bad.err.contains("Riga 3:")) << bad.err.toStdString();
    EXPECT_EQ(cli({"plot", file("mc.txt", rows)}).exitCode, 2);
}

} // namespace
