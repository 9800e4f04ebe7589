#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace stazione::ui {

// A message or status text kept as written in the program (a warning, a question, a status line),
// in the language of the run. Texts built with numbers or names are translated where they are built.
QString shown(const QString& text);

// Every message box and beep of the program goes through this, so that the tests can answer
// them without a modal loop.
class Dialogs {
public:
    enum class Icon { Information, Warning, Critical, Question };

    virtual ~Dialogs() = default;

    // Yes/No question; true for Yes. `defaultYes` false makes No the default (Enter cancels).
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& text, Icon icon,
                          bool defaultYes) = 0;
    // A message with an OK button.
    virtual void inform(QWidget* parent, const QString& title, const QString& text, Icon icon) = 0;
    virtual void beep() = 0;
    // Retry/Cancel question; true for Retry.
    virtual bool askRetryCancel(QWidget* parent, const QString& title, const QString& text) = 0;
    // The save dialog: a path, or nothing when the operator cancels.
    virtual std::optional<QString> saveFile(QWidget* parent, const QString& folder, const QString& name,
                                            const QString& filter) = 0;
    // The open dialog: a path, or nothing when the operator cancels (or nothing is offered).
    virtual std::optional<QString> openFile(QWidget* parent, const QString& folder, const QString& filter);
};

// The real message boxes.
class MessageBoxDialogs final : public Dialogs {
public:
    bool askYesNo(QWidget* parent, const QString& title, const QString& text, Icon icon,
                  bool defaultYes) override;
    void inform(QWidget* parent, const QString& title, const QString& text, Icon icon) override;
    void beep() override;
    bool askRetryCancel(QWidget* parent, const QString& title, const QString& text) override;
    std::optional<QString> saveFile(QWidget* parent, const QString& folder, const QString& name,
                                    const QString& filter) override;
    std::optional<QString> openFile(QWidget* parent, const QString& folder, const QString& filter) override;
};

} // namespace stazione::ui

namespace stazione::link {
struct Error;
}

namespace stazione::ui {

// Tells the operator why an exchange stopped: the logger did not answer, the line was lost, the
// port was refused. A cancel was the operator's own doing and is not reported, unless it cut a
// job short that kept part of its work (the message says where). A typed value the
// line cannot carry is told with a beep, and its box (found in `parent` by name) turns red.
void reportError(Dialogs& dialogs, QWidget* parent, const link::Error& error);

} // namespace stazione::ui
