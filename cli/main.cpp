#include "cli/command_line.h"
#include "data/downloads.h"

#include <QCoreApplication>
#include <QTranslator>

namespace {

// Where the core names the window's Annulla button, the command line names what stops it here.
class CommandLineWords : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char* disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, stazione::data::kDrainingContext) == 0 &&
            qstrcmp(source, stazione::data::kDrainingLeft) == 0)
            return QStringLiteral("at most %1 s more. Press Ctrl-C again to stop at once");
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("stazione-cli"));
    // The command line speaks English: the core's texts, written in Italian for the windows, come
    // through the windows' English translation.
    QTranslator english;
    if (english.load(QStringLiteral(":/i18n/stazione_en")))
        QCoreApplication::installTranslator(&english);
    CommandLineWords words;
    QCoreApplication::installTranslator(&words);
    return stazione::cli::runCommandLine(QCoreApplication::arguments());
}
