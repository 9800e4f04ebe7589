#pragma once

#include <QWidget>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace stazione::ui {

// The five properties of every analog channel: its name and the four numbers that scale the
// electrical reading to the physical value. One row per channel 0 to 15; the handlers read and
// write only the active ones, so the other rows keep "Da Leggere".
class Sensori_An : public QWidget {
    Q_OBJECT

public:
    explicit Sensori_An(QWidget* parent = nullptr);

    static const QString kNotRead;

    // The same, in the language of the run.

    static QString notRead();

    std::array<QLabel*, 16> Numero_Canali{};
    std::array<QLineEdit*, 16> NomeCanali{};
    std::array<QLineEdit*, 16> CA{}; // Zero_V/Digits
    std::array<QLineEdit*, 16> CB{}; // FS_V/Digits
    std::array<QLineEdit*, 16> CC{}; // Zero_Fisico
    std::array<QLineEdit*, 16> CD{}; // FS_Fisico
    QPushButton* Leggi_prop = nullptr;
    QPushButton* ScriviProp = nullptr;
    QPushButton* Chiudi = nullptr;

    // Back to the state of a window just opened: the values of the last session must not pass for
    // what the next logger holds.
    void resetBoxes();

signals:
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace stazione::ui
