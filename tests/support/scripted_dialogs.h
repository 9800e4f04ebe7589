#pragma once

#include "ui/dialogs.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace stazione::testing {

// Answers the program's questions from a script and remembers everything it was shown.
//
// Every box must stand over a window that exists: a parent pointer that was never set passes a
// real message box only by luck, so here it ends the test at once.
class ScriptedDialogs final : public ui::Dialogs {
public:
    struct Shown {
        QString kind; // "ask" or "inform"
        QString title;
        QString text;
        Icon icon;
        bool defaultYes;
        QPointer<QWidget> parent;
    };

    bool askYesNo(QWidget* parent, const QString& title, const QString& text, Icon icon,
                  bool defaultYes) override
    {
        shown.append({QStringLiteral("ask"), title, text, icon, defaultYes, checkedParent(parent, text)});
        return answers.isEmpty() ? false : answers.takeFirst();
    }
    void inform(QWidget* parent, const QString& title, const QString& text, Icon icon) override
    {
        shown.append({QStringLiteral("inform"), title, text, icon, false, checkedParent(parent, text)});
    }
    void beep() override { ++beeps; }
    bool askRetryCancel(QWidget* parent, const QString& title, const QString& text) override
    {
        shown.append(
            {QStringLiteral("retry"), title, text, Icon::Warning, false, checkedParent(parent, text)});
        return retries.isEmpty() ? false : retries.takeFirst();
    }
    std::optional<QString> saveFile(QWidget* parent, const QString& folder, const QString& name,
                                    const QString& filter) override
    {
        checkedParent(parent, name);
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

private:
    static QWidget* checkedParent(QWidget* parent, const QString& text)
    {
        // Compared as addresses only: a stray pointer is never followed.
        if (!parent || !QApplication::allWidgets().contains(parent))
            qFatal("A message box (\"%s\") was given no live parent window.", qPrintable(text.left(60)));
        return parent;
    }
};

} // namespace stazione::testing
