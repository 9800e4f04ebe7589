#include "ui/language.h"

#include "link/port_resolver.h"
#include "link/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace stazione::ui {

namespace {

std::unique_ptr<QTranslator> g_qt;
std::unique_ptr<QTranslator> g_program;
QString g_current = kItalian;

bool known(const QString& language)
{
    return language == kItalian || language == kEnglish;
}

QString rememberedLanguage()
{
    // Read only when it is a regular file: a fifo in its place would stop the program before any
    // window.
    const auto bytes = link::readSettingsFile(languageFile());
    if (!bytes)
        return {};
    const QString text = QString::fromLatin1(bytes->left(16)).trimmed();
    return known(text) ? text : QString();
}

void remember(const QString& language)
{
    QDir().mkpath(link::settingsFolder());
    // Replaced in one step; a link in its place is replaced too, never written through.
    (void)link::writeSettingsFile(languageFile(), language.toLatin1() + "\r\n");
}

} // namespace

QString languageOfLocale(const QString& localeName)
{
    return localeName.startsWith(QLatin1String("it"), Qt::CaseInsensitive) ? kItalian : kEnglish;
}

QString languageFromArguments(const QStringList& arguments, QString* error)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString value;
        if (arguments[i] == QLatin1String("--lang") && i + 1 < arguments.size())
            value = arguments[i + 1];
        else if (arguments[i].startsWith(QLatin1String("--lang=")))
            value = arguments[i].mid(7);
        else
            continue;
        if (known(value))
            return value;
        if (error)
            *error = QStringLiteral("--lang: unknown language \"%1\" (it or en)").arg(value);
        return {};
    }
    return {};
}

QString chooseLanguage(const QStringList& arguments, QString* error)
{
    QString asked = languageFromArguments(arguments, error);
    if (!asked.isEmpty()) {
        remember(asked);
        return asked;
    }
    QString remembered = rememberedLanguage();
    if (!remembered.isEmpty())
        return remembered;
    return languageOfLocale(QLocale::system().name());
}

QString languageFile()
{
    return link::settingsFolder() + QStringLiteral("/lingua.ini");
}

bool installLanguage(const QString& language)
{
    for (auto* translator : {g_qt.get(), g_program.get()}) {
        if (translator)
            QCoreApplication::removeTranslator(translator);
    }
    g_qt = std::make_unique<QTranslator>();
    g_program = std::make_unique<QTranslator>();

    // Qt's own buttons and dialogs ("Sì", "No", "Salva con nome") come from Qt's translations.
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const bool qtLoaded = g_qt->load(QStringLiteral("qtbase_") + language, qtFolder);
    if (qtLoaded)
        QCoreApplication::installTranslator(g_qt.get());
    // Qt itself is written in English: its English file may be empty or missing.
    bool ok = qtLoaded || language == kEnglish;
    // The program's texts are written in Italian; only the other languages need a translation.
    if (language != kItalian) {
        const bool loaded = g_program->load(QStringLiteral("stazione_") + language, QStringLiteral(":/i18n"));
        if (loaded)
            QCoreApplication::installTranslator(g_program.get());
        ok = ok && loaded;
    }
    g_current = language;
    return ok;
}

QString currentLanguage()
{
    return g_current;
}

} // namespace stazione::ui
