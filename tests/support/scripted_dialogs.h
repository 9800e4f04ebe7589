#pragma once

#include "ui/dialogs.h"

#include <QList>
#include <QString>

namespace stazione::testing {

// Answers the program's questions from a script and remembers everything it was shown.
class ScriptedDialogs final : public ui::Dialogs {
public:
    struct Shown {
        QString kind; // "ask" or "inform"
        QString title;
        QString text;
        Icon icon;
        bool defaultYes;
    };

    bool askYesNo(QWidget*, const QString& title, const QString& text, Icon icon, bool defaultYes) override
    {
        shown.append({QStringLiteral("ask"), title, text, icon, defaultYes});
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    void inform(QWidget*, const QString& title, const QString& text, Icon icon) override
    {
        shown.append({QStringLiteral("inform"), title, text, icon, false});
    }
    void beep() override { ++beeps; }
    bool askRetryCancel(QWidget*, const QString& title, const QString& text) override
    {
        shown.append({QStringLiteral("retry"), title, text, Icon::Warning, false});
        return retries.isEmpty() ? false : retries.takeFirst();
    }
    std::optional<QString> saveFile(QWidget*, const QString& folder, const QString& name,
                                    const QString& filter) override
    {
        savesAsked.append({folder, name, filter});
        return savePaths.isEmpty() ? std::nullopt : std::optional<QString>(savePaths.takeFirst());
    }

    std::optional<QString> openFile(QWidget*, const QString& folder, const QString& filter) override
    {
        opensAsked.append({folder, QString(), filter});
        return openPaths.isEmpty() ? std::nullopt : std::optional<QString>(openPaths.takeFirst());
    }

    QList<bool> answers;      // Yes = true; an empty script answers No
    QList<bool> retries;      // Retry = true; an empty script answers Cancel
    QList<QString> savePaths; // the paths the save dialog returns; empty: cancelled
    struct SaveAsked {
        QString folder;
        QString name;
        QString filter;
    };
    QList<SaveAsked> savesAsked;
    QList<QString> openPaths; // the paths the open dialog returns; empty: cancelled
    QList<SaveAsked> opensAsked;
    QList<Shown> shown;
    int beeps = 0;
};

} // namespace stazione::testing
