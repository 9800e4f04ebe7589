#pragma once

#include <QString>

namespace stazione::ui {
class Form1;
}

namespace stazione::session {

// Shows on the main window what the connected model has: the channels it measures, its GSM,
// SMS and GPRS controls, and hides what it lacks. The base model keeps the window as built.
void adattaForm1(ui::Form1& form, const QString& modello);

// True when the model shows the GSM, SMS and GPRS controls (their values are read at connection).
bool hasGsm(const QString& modello);

} // namespace stazione::session
