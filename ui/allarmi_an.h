#pragma once

#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace stazione::ui {

// The alarm limits and state of every analog channel, and the five lines of text the logger puts
// into its alarm SMS. The boxes keep their values while the window is hidden: rows beyond the
// channel count of the last read still show what an earlier read gave.
class Allarmi_An : public QWidget {
    Q_OBJECT

public:
    explicit Allarmi_An(QWidget* parent = nullptr);

    static const QString kNotRead;

    // The same, in the language of the run.

    static QString notRead();

    std::array<QLabel*, 4> Label1{}; // column headings
    std::array<QLabel*, 16> Numero_Canali{};
    std::array<QLineEdit*, 16> CA{};            // upper limit
    std::array<QLineEdit*, 16> CB{};            // lower limit
    std::array<QLineEdit*, 16> AllarmeAttivo{}; // state, in the logger's own code
    std::array<QPushButton*, 4> Leggi_all{};    // button k takes its row count from MUX (k)
    std::array<QPushButton*, 4> ScriviAll{};
    QLabel* SMS_PERSONALE = nullptr;
    std::array<QLineEdit*, 5> SMS_PERSONALIZZATO{};
    QPushButton* MESSAGGIO_PERSONALE_LEGGI = nullptr;
    QPushButton* MESSAGGIO_PERSONALE_SCRIVI = nullptr;
    QPushButton* Chiudi = nullptr;

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace stazione::ui
