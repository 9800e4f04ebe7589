#pragma once

// stazione-cli run to its end by a test, and what it left: its exit status, what it printed and
// how long it took. The test program names the binary in STAZIONE_CLI_PROGRAM.

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <gtest/gtest.h>

namespace stazione::testing {

struct CliRun {
    int exitCode = -1;   // -1 when the program did not end by itself (a crash, the test's time limit)
    QString out;         // standard output as text
    QByteArray outBytes; // the same, byte for byte
    QString err;
    qint64 ms = 0;
};

// How the program is started; the defaults are this test's own environment and folder.
struct CliStart {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString workingFolder;
    QString standardOutputFile;    // standard output into this file instead of `out`
    std::function<void()> inChild; // run in the child before the program (QProcess's modifier)
    int timeoutMs = 180000;
};

#ifdef STAZIONE_CLI_PROGRAM
inline CliRun runCli(const QStringList& arguments, const CliStart& start = {})
{
    QProcess p;
    p.setProcessEnvironment(start.env);
    if (!start.workingFolder.isEmpty())
        p.setWorkingDirectory(start.workingFolder);
    if (!start.standardOutputFile.isEmpty())
        p.setStandardOutputFile(start.standardOutputFile);
    if (start.inChild)
        p.setChildProcessModifier(start.inChild);
    QElapsedTimer t;
    t.start();
    p.start(QStringLiteral(STAZIONE_CLI_PROGRAM), arguments);
    const bool ended = p.waitForFinished(start.timeoutMs);
    EXPECT_TRUE(ended) << qPrintable(arguments.join(QLatin1Char(' ')));
    if (!ended) {
        p.kill();
        p.waitForFinished(5000);
    }
    CliRun run;
    run.ms = t.elapsed();
    run.exitCode = ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.outBytes = p.readAllStandardOutput();
    run.out = QString::fromUtf8(run.outBytes);
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}
#endif

} // namespace stazione::testing
