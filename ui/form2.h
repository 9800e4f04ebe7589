#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace stazione::ui {

// The connection window: finds the logger, connects without a scan, opens the modem window,
// resets the logger. Closing it ends the program.
class Form2 : public QWidget {
    Q_OBJECT

public:
    explicit Form2(QWidget* parent = nullptr);

    QGroupBox* Frame1 = nullptr;
    QPushButton* Command1 = nullptr; // CONNESSIONE
    QPushButton* No_conn = nullptr;  // Connessione Passo Passo
    QPushButton* Command2 = nullptr; // CONNESSIONE CON MODEM
    QPushButton* Command3 = nullptr; // Resetta QX455
    QCheckBox* GSM = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    // The ports as the system has them ("COM3  /dev/ttyUSB0  (FT232R USB UART)"): the one picked
    // is tried first by the scan and used by the connection without a scan. Its data is the number.
    QComboBox* Porta = nullptr;

    static const QString kInitialStatus;

    // The same, in the language of the run.

    static QString initialStatus();

    // The status text with a background colour of its own (green when found, magenta after a
    // reset), or the window's own background when `colour` is invalid.
    void setStatus(const QString& text, const QColor& colour = QColor());

    // Puts the activity pane under the status text.
    void setActivityPane(QWidget* pane);
    // Puts the progress of the scan, with its "Annulla", under the status text.
    void setProgressStrip(QWidget* strip);

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QVBoxLayout* m_layout = nullptr;
};

} // namespace stazione::ui
