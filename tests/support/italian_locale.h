#pragma once

// A locale that writes numbers with a decimal comma (it_IT.UTF-8), made by the test itself in a
// folder of its own that LOCPATH names: no machine needs it installed. Made once per test program.

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <clocale>
#include <cstdlib>
#include <string>

namespace stazione::testing {

inline const char* const kItalianLocale = "it_IT.UTF-8";

// The folder to put in LOCPATH, or empty when localedef could not make the locale.
inline QString italianLocalePath()
{
    static QTemporaryDir dir;
    static const bool made = [] {
        QProcess localedef;
        localedef.start(QStringLiteral("localedef"),
                        {QStringLiteral("-i"), QStringLiteral("it_IT"), QStringLiteral("-f"),
                         QStringLiteral("UTF-8"), dir.filePath(QString::fromLatin1(kItalianLocale))});
        // It may warn and exit 1 and still have written the locale: what it wrote decides.
        return localedef.waitForFinished(180000) &&
               QFileInfo::exists(dir.filePath(QString::fromLatin1(kItalianLocale) + "/LC_NUMERIC"));
    }();
    return made ? dir.path() : QString();
}

// This process under the Italian locale while it lives; `active` tells whether the C library now
// writes a decimal comma.
class InItalian {
public:
    InItalian()
    {
        const char* before = std::setlocale(LC_ALL, nullptr);
        m_before = before ? before : "C";
        const QString path = italianLocalePath();
        if (path.isEmpty())
            return;
        ::setenv("LOCPATH", QFile::encodeName(path).constData(), 1);
        active = std::setlocale(LC_ALL, kItalianLocale) != nullptr &&
                 std::string(std::localeconv()->decimal_point) == ",";
    }
    ~InItalian()
    {
        std::setlocale(LC_ALL, m_before.c_str());
        ::unsetenv("LOCPATH");
    }
    InItalian(const InItalian&) = delete;
    InItalian& operator=(const InItalian&) = delete;

    bool active = false;

private:
    std::string m_before;
};

} // namespace stazione::testing
