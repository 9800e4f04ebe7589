#pragma once

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
    {
        Spegni_Tasti(m_form);
    }
    ~Occupato() { Accendi_Tasti(m_form); }
    Occupato(const Occupato&) = delete;
    Occupato& operator=(const Occupato&) = delete;

private:
    Form1& m_form;
};

} // namespace stazione::ui
