#pragma once

#include <QPointer>
#include <QWidget>

namespace stazione::ui {

class Form1;

// While an exchange with the logger runs, the window keeps processing events (it repaints, a
// stop button works): these disable the main window's command controls so that no second
// exchange can start meanwhile. There is no counter: the first unlock releases everything.
void Spegni_Tasti(Form1& form);
void Accendi_Tasti(Form1& form);

// Locks for the lifetime of a handler and unlocks on every way out of it.
class Occupato {
public:
    explicit Occupato(Form1& form)
        : m_form(form)
        , m_focus(focusWidget())
    {
        Spegni_Tasti(m_form);
    }
    ~Occupato()
    {
        Accendi_Tasti(m_form);
        giveFocusBack(m_focus);
    }
    Occupato(const Occupato&) = delete;
    Occupato& operator=(const Occupato&) = delete;

private:
    static QWidget* focusWidget();
    // Locking moved the focus on from the button that was used, often into a box with its text
    // selected, where the next key would replace it: the focus goes back to that button.
    static void giveFocusBack(QWidget* focus);

    Form1& m_form;
    QPointer<QWidget> m_focus;
};

} // namespace stazione::ui
