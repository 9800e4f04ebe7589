#pragma once

#include <QPointer>
#include <QWidget>

namespace stazione::ui {

class Form1;

// While an exchange with the logger runs, the window keeps processing events (it repaints, a
// stop button works): these disable the main window's command controls so that no second
// exchange can be started from them meanwhile. The session's exchange guard calls them when an
// exchange starts and when the last level of it ends.
void Spegni_Tasti(Form1& form);
void Accendi_Tasti(Form1& form);

// Locking moves the focus on from the button that was used, often into a box with its text
// selected, where the next key would replace it. The focus is remembered when the controls are
// locked and goes back to that button when they are unlocked.
class FocusKeeper {
public:
    void remember();
    void giveBack();

private:
    QPointer<QWidget> m_focus;
};

} // namespace stazione::ui
