#pragma once

#include "cli/cli.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace stazione::cli {

// A verb of the command line: what it does, how it is called, one example, and its function.
struct Verb {
    QString name;
    QString arguments;   // what follows the verb, as the synopsis shows it ("" for none)
    QString summary;     // one line for the list of verbs
    QString details;     // more for "stazione-cli VERB --help" ("" for none)
    QStringList options; // the options that matter to this verb besides those of the connection
    QString example;     // a whole command line
    int (*run)(const Options&) = nullptr;
    bool takesArguments = false;
    bool talksToLogger = true; // the connection options apply: --port, --modem-port, ...
};

// Every verb, in the order the help lists them.
const std::vector<Verb>& verbs();
const Verb* findVerb(const QString& name);

// Every option the parser knows, with the description that the help prints.
const QList<QCommandLineOption>& commandLineOptions();
// The options of the connection, which every verb that talks to the logger takes.
const QStringList& connectionOptions();

// "stazione-cli --help": the parser's own help text around the list of verbs.
QString helpText();
// "stazione-cli VERB --help": one verb, its options as the parser describes them, an example.
QString verbHelp(const Verb& verb);

// What a command line asks for: a verb to run with its options, or an exit status at once (help
// printed, or a usage error told on stderr).
struct Parsed {
    std::optional<Options> options;
    const Verb* verb = nullptr;
    int exitCode = kExitOk;
};
Parsed parseCommandLine(const QStringList& arguments); // arguments[0] is the program

int runCommandLine(const QStringList& arguments);

} // namespace stazione::cli
