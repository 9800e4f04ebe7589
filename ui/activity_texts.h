#pragma once

#include <QString>

#include <functional>

class QObject;

namespace stazione::ui {

class Form1;

// How the activity pane names what a control did: the subject of its failures ("Tensione di
// Batteria: nessuna risposta ...") and the line of its success ("Nome Datalogger scritto: POZZO1"),
// with the value the window shows once the exchange is over.
struct ActivityText {
    QString subject;
    std::function<QString()> done;
};

// The text for a control of the main window; for any other control, its caption.
ActivityText activityText(Form1& form, const QObject* control);

} // namespace stazione::ui
