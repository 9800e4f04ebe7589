#pragma once

#include "ui/handler.h"

#include <optional>

namespace stazione::ui {
class Sensori_An;
}

namespace stazione::config {

// The sensor-property window: opened from the main window (which hides meanwhile), it reads and
// writes the properties of the active channels.
class SensorPropertiesWindow : public ui::MainWindowHandler {
    Q_OBJECT

public:
    SensorPropertiesWindow(session::Session& session, ui::Form1& form, ui::Sensori_An& window,
                           ui::Dialogs& dialogs, QObject* parent = nullptr);

    void Leggi_poprietà(); // open the window
    void Form_Unload();    // its closing: back to the main window
    link::Status Leggi_prop();
    link::Status ScriviProp();

private:
    // The active channels from the main window's count; nothing (and a message) when the count
    // is not a number there.
    std::optional<int> activeChannels();
    void setButtonsEnabled(bool enabled);

    ui::Sensori_An& m_sensors;
};

inline const QString kChannelCountUnknown = QStringLiteral(QT_TRANSLATE_NOOP(
    "stazione::ui::Messages", "Il numero dei canali attivi non è noto: leggerlo nella scheda GESTIONE CANALI "
                              "(\"Leggi il numero dei canali\")."));

} // namespace stazione::config
