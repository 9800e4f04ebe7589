#pragma once

#include "link/result.h"

#include <QObject>

#include <functional>

class QAbstractButton;
class QCheckBox;
class QLineEdit;

namespace stazione::link {
class Link;
}
namespace stazione::session {
class Session;
}

namespace stazione::ui {

class Dialogs;
class Form1;

// What the handlers of the main window's controls have in common: the session, the window, the
// message boxes, and the ways a control starts an operation.
class MainWindowHandler : public QObject {
    Q_OBJECT

public:
    MainWindowHandler(session::Session& session, Form1& form, Dialogs& dialogs, QObject* parent = nullptr);

protected:
    // Connects the main window's controls whose rows (session/operations.cpp) name a method of
    // this handler: a button's click, a check box's press (the method takes the box's state at
    // the press), an array element's click (the method takes its index). Called at the end of
    // the handler's constructor, once the methods are the derived class's.
    void wire();
    // Connects the buttons of the simple reads (rows of kind Query): the reply goes into the
    // row's box, light green. One handler calls it.
    void wireQueries();

    // A click runs the operation as one exchange of the session's guard and tells the operator
    // how it failed. While another exchange waits for the logger (a control that is not locked
    // was used meanwhile) the click is refused with a beep: two exchanges on one line would mix
    // their replies.
    void onClick(QAbstractButton* button, std::function<link::Status()> operation);
    // A check box whose operation runs when the mouse button goes down, before the box toggles:
    // `operation` gets the box's state at the press and sets the box itself from what the logger
    // then reports. The box never toggles on its own; the space bar works like the mouse.
    void onPress(QCheckBox* box, std::function<link::Status(bool checkedAtPress)> operation);

    void report(const link::Status& outcome);
    // Runs the operation of `control` and tells the operator how it ended: a line in the activity
    // pane, and a message box when it failed. Refused with a beep while another exchange waits.
    void run(const QObject* control, const std::function<link::Status()>& operation);
    // The click was refused (another exchange waits): a beep and a line in the activity pane.
    void refuse(const QObject* control);
    // The activity pane's line for what `control` did.
    void record(const QObject* control, const link::Status& outcome);
    // The caption of the operation's window, where the result of a write is shown for a while:
    // the window's own title (the logger's model) comes back after kResultCaptionTime, or when
    // the next exchange starts.
    void setCaption(const QString& text);
    // The caption of another window, with the same bookkeeping.
    void setCaption(QWidget* window, const QString& text);
    link::Link& link();

    session::Session& m_session;
    Form1& m_form;
    Dialogs& m_dialogs;
    QWidget* m_window = nullptr; // the window the operation belongs to (the main window unless a
                                 // handler of another window says so): its messages stand over it

public:
    static constexpr int kResultCaptionMs = 8000;
    // How long a write's result stays in a title (tests shorten it).
    static void setResultCaptionTime(int ms);

private:
    bool m_refused = false; // the logger refused a value during the running operation
};

// Puts the title `window` had before a write's result back, unless something else has been put
// there since.
void restoreTitle(QWidget* window);

// Status texts of a write.
inline const QString kParameterSent = QStringLiteral("Trasmissione parametro OK");
inline const QString kParameterRefused = QStringLiteral("Parametro non registrato");
// The same, in the language of the run.
QString parameterSent();
QString parameterRefused();

// The box turns red when the operator types into it.
void redOnEdit(QLineEdit* box);
// Any change of the box's text drops the blanks around it.
void trimOnChange(QLineEdit* box);
// The check box's state from a number the logger sent: 0 unchecked, 1 checked, else grey.
void setCheckValue(QCheckBox* box, long long value);
int checkValue(const QCheckBox* box);

} // namespace stazione::ui
