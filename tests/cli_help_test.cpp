// Every example of stazione-cli's help is a command line the parser takes, every window operation
// has its command in the README, and the completion offers what the program knows.

#include "cli/command_line.h"
#include "network/alerts.h"
#include "session/operations.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace stazione::cli;

TEST(CliHelp, EachVerbHasItsOwnHelpWithAnExampleTheParserTakes)
{
    for (const Verb& verb : verbs()) {
        const QString help = verbHelp(verb);
        EXPECT_TRUE(help.startsWith(QStringLiteral("Usage: stazione-cli [options] ") + verb.name));
        EXPECT_TRUE(help.contains(QStringLiteral("Example:\n  ") + verb.example)) << verb.name.toStdString();
        for (const QString& name : verb.options)
            EXPECT_TRUE(help.contains(QStringLiteral("--") + name))
                << verb.name.toStdString() << " " << name.toStdString();
        if (verb.talksToLogger) {
            EXPECT_TRUE(help.contains(QStringLiteral("--port <N>"))) << verb.name.toStdString();
        }

        const QStringList words = QProcess::splitCommand(verb.example);
        ASSERT_FALSE(words.isEmpty());
        EXPECT_EQ(words.first(), "stazione-cli");
        const Parsed parsed = parseCommandLine(words);
        ASSERT_TRUE(parsed.options.has_value()) << verb.example.toStdString();
        EXPECT_EQ(parsed.verb, &verb) << verb.example.toStdString();
    }
}

TEST(CliHelp, WrongCommandLinesAreUsageErrors)
{
    for (const QStringList& args : {QStringList{"stazione-cli"}, QStringList{"stazione-cli", "fly"},
                                    QStringList{"stazione-cli", "identify", "--port", "x"},
                                    QStringList{"stazione-cli", "identify", "extra"},
                                    QStringList{"stazione-cli", "identify", "--rows", "17"},
                                    QStringList{"stazione-cli", "identify", "--modem-port", "2"},
                                    QStringList{"stazione-cli", "fly", "--help"}}) {
        const Parsed parsed = parseCommandLine(args);
        EXPECT_FALSE(parsed.options.has_value()) << args.join(' ').toStdString();
        EXPECT_EQ(parsed.exitCode, kExitUsage) << args.join(' ').toStdString();
    }
}

QString sourceFile(const QString& path)
{
    QFile f(QDir(QStringLiteral(STAZIONE_SOURCE_DIR)).filePath(path));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(f.readAll());
}

// The controls that the windows' handlers wire to an operation: the main window's rows of
// operations that the handlers wire from the table, and the rest read from the handlers' code:
// "Form2.X" for the connection window, the bare name for every other window.
QSet<QString> wiredControls()
{
    static const QRegularExpression kArrayIndex(QStringLiteral("_[0-9]+$"));
    QSet<QString> controls;
    for (const stazione::session::Operation& row : stazione::session::operations()) {
        if (row.kind == stazione::session::Kind::Exchange || row.kind == stazione::session::Kind::Query)
            controls << QString::fromUtf8(row.control).remove(kArrayIndex); // MISCONTINUA_0: MISCONTINUA
    }
    // Control names may carry accented letters (Leggi_poprietà).
    constexpr auto kUnicode = QRegularExpression::UseUnicodePropertiesOption;
    static const QList<QRegularExpression> wiring{
        QRegularExpression(
            QStringLiteral(R"((?:onClick|onPress|onStateChange)\(\s*(form2|form1|form|window)\.(\w+))"),
            kUnicode),
        QRegularExpression(
            QStringLiteral(
                R"(connect\(\s*(form2|form1|form|window)\.(\w+)(?:\[\w+\])?\s*,\s*&\w+::(?:clicked|triggered|toggled|textChanged|stateChanged))"),
            kUnicode),
        QRegularExpression(QStringLiteral(R"(connect\(\s*()(\w+)\s*,\s*&QPushButton::clicked)"), kUnicode),
    };
    // The windows and their handlers, all under ui/.
    {
        QDirIterator it(QDir(QStringLiteral(STAZIONE_SOURCE_DIR)).filePath(QStringLiteral("ui")),
                        {QStringLiteral("*.cpp")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (path.endsWith(QLatin1String("ui/handler.cpp"))) // the generic onClick / onPress
                continue;
            QFile f(path);
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            const QString code = QString::fromUtf8(f.readAll());
            for (const QRegularExpression& re : wiring) {
                for (auto m = re.globalMatch(code); m.hasNext();) {
                    const auto match = m.next();
                    controls << (match.captured(1) == QLatin1String("form2") ? QStringLiteral("Form2.")
                                                                             : QString()) +
                                    match.captured(2);
                }
            }
            if (code.contains(QLatin1String("window.selGroup(), &QButtonGroup::idClicked")))
                controls << QStringLiteral("Sel");
        }
    }
    return controls;
}

// The README's table of window operations: control -> the command line that does the same.
QMap<QString, QString> readmeTable()
{
    QMap<QString, QString> table;
    const QString readme = sourceFile(QStringLiteral("README.md"));
    const qsizetype start = readme.indexOf(QLatin1String("## Window operations on the command line"));
    EXPECT_GE(start, 0);
    const qsizetype end = readme.indexOf(QLatin1String("\n## "), start + 1);
    static const QRegularExpression row(QStringLiteral(R"(^\| [^|]+ \| `([^`]+)` \| [^|]+ \| (.*) \|$)"),
                                        QRegularExpression::MultilineOption);
    for (auto m = row.globalMatch(readme.mid(start, end - start)); m.hasNext();) {
        const auto match = m.next();
        table.insert(match.captured(1), match.captured(2));
    }
    return table;
}

// Controls that act on their window alone: they close it, draw its chart, pick or open a file,
// clear and copy the activity pane, or cancel the wait under way.
const QSet<QString> kWindowOnly{
    QStringLiteral("cmdChiudi"),       QStringLiteral("cmdGraf"), QStringLiteral("cmdDisegna"),
    QStringLiteral("cmdDisegnaTutto"), QStringLiteral("File1"),   QStringLiteral("cmdApri"),
    QStringLiteral("cmdTutto"),        QStringLiteral("Chiudi"),  QStringLiteral("Pulisci"),
    QStringLiteral("Copia"),           QStringLiteral("Annulla")};

// Each kind of alert is an option of collect and report that takes its range and nothing
// outside it, and the example settings of the nightly collection name it.
TEST(AlertRuleRows, EachRuleIsAnOptionWithItsRangeAndIsDocumented)
{
    const QString example = sourceFile(QStringLiteral("dist/systemd/collect.conf.example"));
    ASSERT_FALSE(example.isEmpty());
    const Verb* collect = findVerb(QStringLiteral("collect"));
    const Verb* report = findVerb(QStringLiteral("report"));
    ASSERT_TRUE(collect && report);
    for (const stazione::data::AlertRuleRow& row : stazione::data::alertRuleRows()) {
        const QString name = QStringLiteral("alert-") + QLatin1String(row.name);
        SCOPED_TRACE(name.toStdString());
        const QString usage = QStringLiteral("--%1 %2").arg(name, QLatin1String(row.valueName));
        EXPECT_TRUE(example.contains(usage));
        EXPECT_TRUE(example.contains(QStringLiteral("--") + name + QLatin1Char(' ')));
        EXPECT_TRUE(collect->options.contains(name));
        EXPECT_TRUE(report->options.contains(name));

        const auto parse = [&](double value) {
            return parseCommandLine({QStringLiteral("stazione-cli"), QStringLiteral("report"),
                                     QStringLiteral("/tmp"), QStringLiteral("--") + name,
                                     QString::number(value, 'g', 12)});
        };
        for (double taken : {row.lowest, row.highest}) {
            const Parsed parsed = parse(taken);
            ASSERT_TRUE(parsed.options.has_value()) << taken;
            EXPECT_EQ(parsed.options->alerts.threshold(row.kind), taken);
            EXPECT_TRUE(parsed.options->alerts.any());
        }
        const double step = row.whole ? 1 : 0.01;
        for (double refused : {row.lowest - step, row.highest + step}) {
            const Parsed parsed = parse(refused);
            EXPECT_FALSE(parsed.options.has_value()) << refused;
            EXPECT_EQ(parsed.exitCode, kExitUsage) << refused;
        }
        if (row.whole) {
            EXPECT_FALSE(parse(row.lowest + 0.5).options.has_value());
        }
        // Another verb does not take it.
        EXPECT_FALSE(parseCommandLine({QStringLiteral("stazione-cli"), QStringLiteral("identify"),
                                       QStringLiteral("--") + name, QString::number(row.lowest)})
                         .options.has_value());
    }
}

// The systemd units' example settings are command lines their verbs take, and each unit reads its
// own settings file and passes them to its verb.
TEST(SystemdUnits, EachExampleIsACommandLineOfItsUnitsVerb)
{
    struct Unit {
        const char* service;
        const char* example;
        const char* verb;
        const char* variable;
    };
    for (const Unit& u :
         {Unit{"stazione-collect.service", "collect.conf.example", "collect", "STAZIONE_COLLECT_OPTIONS"},
          Unit{"stazione-report.service", "report.conf.example", "report", "STAZIONE_REPORT_OPTIONS"}}) {
        SCOPED_TRACE(u.service);
        const QString service = sourceFile(QStringLiteral("dist/systemd/") + QLatin1String(u.service));
        const QString conf = QLatin1String(u.example).chopped(int(qstrlen(".example")));
        EXPECT_TRUE(service.contains(QStringLiteral("EnvironmentFile=%h/.config/stazione/") + conf));
        EXPECT_TRUE(service.contains(QStringLiteral("ExecStart=/usr/bin/env stazione-cli %1 $%2\n")
                                         .arg(QLatin1String(u.verb), QLatin1String(u.variable))));
        const QString example = sourceFile(QStringLiteral("dist/systemd/") + QLatin1String(u.example));
        QString line;
        for (const QString& l : example.split(QLatin1Char('\n'))) {
            if (l.startsWith(QLatin1String(u.variable) + QLatin1Char('=')))
                line = l.mid(int(qstrlen(u.variable)) + 1);
        }
        ASSERT_FALSE(line.isEmpty());
        const Parsed parsed =
            parseCommandLine(QStringList{QStringLiteral("stazione-cli"), QLatin1String(u.verb)} +
                             line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
        EXPECT_TRUE(parsed.options.has_value()) << qPrintable(line);
        EXPECT_EQ(parsed.exitCode, kExitOk);
        EXPECT_TRUE(QFileInfo::exists(QStringLiteral(STAZIONE_SOURCE_DIR "/dist/systemd/") +
                                      QLatin1String(u.service).chopped(8) + QStringLiteral(".timer")));
    }
}

TEST(WindowOperations, EveryWiredControlHasACommandInTheReadme)
{
    const QSet<QString> wired = wiredControls();
    // The scan itself must see the windows: a few controls of each kind of wiring.
    for (const char* known : {"leggidata", "BATTPBX", "PLUVIOMETRO", "Form2.Command1", "Riprova", "Sel",
                              "cmdDisegna", "Leggi_all", "MISCONTINUA", "TracciaComunicazione"})
        EXPECT_TRUE(wired.contains(QLatin1String(known))) << known;
    const QMap<QString, QString> table = readmeTable();
    ASSERT_GT(table.size(), 40);
    for (const QString& control : wired) {
        if (kWindowOnly.contains(control))
            continue;
        EXPECT_TRUE(table.contains(control)) << "no command for the window's " << control.toStdString();
    }
    for (auto it = table.begin(); it != table.end(); ++it) {
        EXPECT_TRUE(wired.contains(it.key()))
            << "the README names " << it.key().toStdString() << ", which no handler wires";
        // Every command named stands first in backticks: a verb of the command line or one of its options.
        static const QRegularExpression commands(QStringLiteral("`([^`]+)`"));
        bool any = false;
        for (auto m = commands.globalMatch(it.value()); m.hasNext();) {
            any = true;
            const QString first = m.next().captured(1).section(QLatin1Char(' '), 0, 0);
            const bool isOption =
                first.startsWith(QLatin1String("--")) &&
                std::any_of(commandLineOptions().begin(), commandLineOptions().end(),
                            [&](const QCommandLineOption& o) { return o.names().contains(first.mid(2)); });
            EXPECT_TRUE(findVerb(first) || isOption) << it.key().toStdString() << ": " << first.toStdString();
        }
        EXPECT_TRUE(any) << it.key().toStdString();
    }
}

// The verb each main-window operation names is one the command line has.
TEST(WindowOperations, EveryOperationsVerbExists)
{
    for (const stazione::session::Operation& row : stazione::session::operations()) {
        if (row.verb) {
            EXPECT_TRUE(findVerb(QString::fromUtf8(row.verb))) << row.control << ": " << row.verb;
        }
    }
}

// Runs the completion function in a bash started with nothing but the completion file, for the
// words of a command line with the cursor on the last one; returns COMPREPLY.
QStringList complete(const QStringList& words, const QString& portsFolder, bool withBashCompletion = false)
{
    QString script;
    if (withBashCompletion)
        script += QStringLiteral("source /usr/share/bash-completion/bash_completion\n");
    script += QStringLiteral("source '%1'\n").arg(QStringLiteral(STAZIONE_CLI_COMPLETION));
    QStringList quoted;
    for (const QString& w : words)
        quoted << QLatin1Char('\'') + w + QLatin1Char('\'');
    script += QStringLiteral("COMP_WORDS=(%1)\nCOMP_CWORD=%2\nCOMP_LINE='%3'\nCOMP_POINT=${#COMP_LINE}\n")
                  .arg(quoted.join(QLatin1Char(' ')))
                  .arg(words.size() - 1)
                  .arg(words.join(QLatin1Char(' ')));
    script += QStringLiteral(
        "_stazione_cli stazione-cli \"${COMP_WORDS[COMP_CWORD]}\" \"${COMP_WORDS[COMP_CWORD-1]}\"\n"
        "printf '%s\\n' \"${COMPREPLY[@]}\"\n");
    QProcess bash;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("STAZIONE_PORTS"), portsFolder);
    bash.setProcessEnvironment(env);
    bash.start(QStringLiteral("bash"),
               {QStringLiteral("--norc"), QStringLiteral("--noprofile"), QStringLiteral("-c"), script});
    EXPECT_TRUE(bash.waitForFinished(10000));
    EXPECT_EQ(bash.exitCode(), 0) << bash.readAllStandardError().toStdString();
    return QString::fromUtf8(bash.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST(Completion, CommandsOptionsBoxesAndPorts)
{
    QTemporaryDir ports;
    for (const char* name : {"COM3", "COM12", "notaport"})
        QFile::link(QStringLiteral("/dev/null"), QDir(ports.path()).filePath(QLatin1String(name)));

    for (bool withPackage : {false, true}) {
        SCOPED_TRACE(withPackage ? "with bash-completion" : "without bash-completion");
        QStringList allVerbs;
        for (const Verb& v : verbs())
            allVerbs << v.name;
        QStringList offered = complete({"stazione-cli", ""}, ports.path(), withPackage);
        offered.sort();
        allVerbs.sort();
        EXPECT_EQ(offered, allVerbs);

        QStringList allOptions;
        for (const QCommandLineOption& o : commandLineOptions())
            allOptions << QStringLiteral("--") + o.names().last();
        QStringList options = complete({"stazione-cli", "--"}, ports.path(), withPackage);
        options.sort();
        allOptions.sort();
        EXPECT_EQ(options, allOptions);

        EXPECT_EQ(complete({"stazione-cli", "set-"}, ports.path(), withPackage).size(), 13);
        EXPECT_EQ(complete({"stazione-cli", "identify", "--port", ""}, ports.path(), withPackage),
                  (QStringList{"3", "12"}));
        EXPECT_EQ(complete({"stazione-cli", "--port", "1"}, ports.path(), withPackage), (QStringList{"12"}));
        EXPECT_EQ(complete({"stazione-cli", "gprs", "--set", "GPRS_"}, ports.path(), withPackage).size(), 10);
        EXPECT_EQ(complete({"stazione-cli", "--port", "3", "gsm", "--set", "NUMERO_ALLARMI"}, ports.path(),
                           withPackage),
                  (QStringList{"NUMERO_ALLARMI_SMS="}));
        EXPECT_EQ(complete({"stazione-cli", "sms-text", "--set", "SMS_PERSONALIZZATO_4"}, ports.path(),
                           withPackage),
                  (QStringList{"SMS_PERSONALIZZATO_4="}));
        EXPECT_TRUE(complete({"stazione-cli", "identify", "--set", ""}, ports.path(), withPackage).isEmpty());
        EXPECT_EQ(complete({"stazione-cli", "stations", "r"}, ports.path(), withPackage),
                  (QStringList{"remove"}));
        EXPECT_EQ(complete({"stazione-cli", "hang-up", ""}, ports.path(), withPackage),
                  (QStringList{"3", "12"}));
        EXPECT_EQ(complete({"stazione-cli", "db", ""}, ports.path(), withPackage),
                  (QStringList{"import", "query", "check", "migrate"}));
        EXPECT_EQ(complete({"stazione-cli", "db", "query", "--db", "po"}, ports.path(), withPackage),
                  (QStringList{"postgresql://"}));
        // A value that is a number, a time or a list is not offered anything, not even the commands.
        for (const char* valued : {"--alert-stale", "--retries", "--sync-clock", "--days"}) {
            EXPECT_TRUE(complete({"stazione-cli", valued, ""}, ports.path(), withPackage).isEmpty())
                << valued;
        }
        EXPECT_EQ(complete({"stazione-cli", "--retries", "3", "rep"}, ports.path(), withPackage),
                  (QStringList{"report"}));
    }
}

} // namespace
