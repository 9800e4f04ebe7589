#include "ui/dialogs.h"

#include "link/messages.h"
#include "link/result.h"
#include "link/timing.h"
#include "ui/colours.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace stazione::ui {

namespace {

QMessageBox::Icon toQt(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::Information:
        return QMessageBox::Information;
    case Dialogs::Icon::Warning:
        return QMessageBox::Warning;
    case Dialogs::Icon::Critical:
        return QMessageBox::Critical;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

// The titles of the message boxes, kept as the operators know them.
[[maybe_unused]] const char* const kTitles[] = {QT_TRANSLATE_NOOP("stazione::ui::Messages", "Attenzione"),
                                                QT_TRANSLATE_NOOP("stazione::ui::Messages", "Attenzione!!"),
                                                QT_TRANSLATE_NOOP("stazione::ui::Messages", "ATTENZIONE")};

QString shown(const QString& text)
{
    return text.isEmpty() ? text
                          : QCoreApplication::translate("stazione::ui::Messages", text.toUtf8().constData());
}

bool MessageBoxDialogs::askYesNo(QWidget* parent, const QString& title, const QString& text, Icon icon,
                                 bool defaultYes)
{
    QMessageBox box(toQt(icon), shown(title), shown(text), QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    link::markAsCancel(&box);
    return box.exec() == QMessageBox::Yes;
}

void MessageBoxDialogs::inform(QWidget* parent, const QString& title, const QString& text, Icon icon)
{
    QMessageBox box(toQt(icon), shown(title), shown(text), QMessageBox::Ok, parent);
    link::markAsCancel(&box);
    box.exec();
}

void MessageBoxDialogs::beep()
{
    QApplication::beep();
}

bool MessageBoxDialogs::askRetryCancel(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Retry | QMessageBox::Cancel, parent);
    link::markAsCancel(&box);
    return box.exec() == QMessageBox::Retry;
}

std::optional<QString> Dialogs::openFile(QWidget*, const QString&, const QString&)
{
    return std::nullopt;
}

std::optional<QString> MessageBoxDialogs::openFile(QWidget* parent, const QString& folder,
                                                   const QString& filter)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(folder);
    dialog.setNameFilter(filter);
    link::markAsCancel(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> MessageBoxDialogs::saveFile(QWidget* parent, const QString& folder,
                                                   const QString& name, const QString& filter)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDirectory(folder);
    dialog.selectFile(name);
    dialog.setNameFilter(filter);
    link::markAsCancel(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

void reportError(Dialogs& dialogs, QWidget* parent, const link::Error& error)
{
    if (error.told)
        return;
    // A cancel was the operator's own doing; only a job it cut short that kept something is told,
    // so that the operator learns where its data are.
    if (error.kind == link::ErrorKind::Refused) {
        // The box stays red: its value is not on the logger.
        if (auto* box = parent ? parent->findChild<QLineEdit*>(error.box) : nullptr)
            setBackColour(box, kEdited);
        dialogs.beep();
        dialogs.inform(parent, QStringLiteral("Attenzione"), link::operatorSentence(error),
                       Dialogs::Icon::Information);
        return;
    }
    if (error.kind == link::ErrorKind::Cancelled && error.kept.isEmpty())
        return;
    if (!error.kept.isEmpty()) {
        // A job cut short: its own words for why, and what of it was kept.
        dialogs.beep();
        dialogs.inform(parent, QStringLiteral("Attenzione"),
                       link::operatorSentence(error) + QLatin1Char('\n') + error.kept,
                       Dialogs::Icon::Warning);
        return;
    }
    dialogs.inform(parent, QStringLiteral("Attenzione"), link::operatorSentence(error),
                   Dialogs::Icon::Warning);
}

} // namespace stazione::ui
