#pragma once

#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSplitter;
class QTabWidget;
class QTreeView;
class QVBoxLayout;

namespace stazione::ui {

// The main window: the operator's work in eight tabs. It is built in the state the base model needs
// (channels 2 to 5 and every GSM, SMS and GPRS control hidden, "FUNZIONE NON DISPONIBILE" in their
// place); the model adaptation shows what the connected logger has. The controls carry the names
// the technicians know, as object names too (array element i of `data` is `data_i`), and are
// public so that the handlers of each subsystem can reach them.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);

    QTabWidget* SSTab1 = nullptr;
    QPushButton* RIPRISTINA_DA_ERRORI = nullptr;
    // "Traccia comunicazione": every byte over the line goes to trace_DD_MM_YY.txt in the data folder.
    QCheckBox* TracciaComunicazione = nullptr;
    // While a modem call holds the line: which station is on it, and the hang-up.
    QLabel* InLinea = nullptr;
    QPushButton* Riaggancia = nullptr;
    QSplitter* Divisore = nullptr; // the tabs and the activity pane

    // Puts the activity pane under the tabs.
    void setActivityPane(QWidget* pane);
    // Puts the progress of a long wait, with its "Annulla", under the tabs and the pane.
    void setProgressStrip(QWidget* strip);

    // DATA-MODALITA'
    QGroupBox* Frame3 = nullptr;
    std::array<QLineEdit*, 6> data{};
    QPushButton* leggidata = nullptr;
    QPushButton* impostadata = nullptr;
    QPushButton* dataPC = nullptr; // fills the clock boxes with the PC's date and time
    std::array<QLineEdit*, 6> data_allarme{};
    QPushButton* LeggiDataAllarme = nullptr;
    QPushButton* ScriviDataAllarme = nullptr;
    QPushButton* Subito = nullptr;
    QGroupBox* Frame5 = nullptr;
    QCheckBox* data_logging = nullptr;
    QPushButton* ReadSt = nullptr;
    QCheckBox* Telefono = nullptr;
    QCheckBox* Immediata = nullptr;

    // TIMERS
    QGroupBox* Frame1 = nullptr;
    std::array<QLineEdit*, 3> conversione{};
    QPushButton* Command2 = nullptr;
    QPushButton* Command1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLineEdit* preaccensione = nullptr;
    QPushButton* preacc = nullptr;
    QPushButton* impostapreacc = nullptr;

    // GESTIONE CANALI
    std::array<QLabel*, 4> Label3{};
    std::array<QLineEdit*, 4> MUX{};
    QPushButton* leggicanali = nullptr;
    QPushButton* Scrivicanali = nullptr;
    QPushButton* Leggi_poprietà = nullptr;
    QPushButton* Azzera_memoria = nullptr;
    QPushButton* Resetta = nullptr;
    QCheckBox* PLUVIOMETRO = nullptr;

    // DATI GENERALI
    QGroupBox* nome = nullptr;
    QLineEdit* Nome_Centralina = nullptr;
    QPushButton* leggi_nome = nullptr;
    QPushButton* imposta_nome = nullptr;
    QGroupBox* Prossima = nullptr;
    std::array<QLineEdit*, 5> Prox{};
    QPushButton* leggiprox = nullptr;
    QGroupBox* Frame4 = nullptr;
    QLineEdit* Acq_possibili = nullptr;
    QLineEdit* acq_disponibili = nullptr;
    QPushButton* Aggiorna_acq = nullptr;
    QPushButton* leggifs = nullptr;
    QGroupBox* Frame6 = nullptr;
    QCheckBox* BATTPBX = nullptr;
    QPushButton* BATTPB_READ = nullptr;
    QGroupBox* Frame7 = nullptr;
    QCheckBox* minipan = nullptr;
    QPushButton* minipan_read = nullptr;

    // ACQUISIZ. DATI
    QLabel* Image1 = nullptr;
    QGroupBox* Registrazione_file = nullptr;
    QComboBox* Drive1 = nullptr;
    QTreeView* Dir1 = nullptr;
    QListView* File1 = nullptr;
    QLineEdit* Nome_File_Dati = nullptr;
    QLineEdit* Text3 = nullptr;
    QPushButton* stopacq = nullptr;
    QPushButton* Crea_Tabella = nullptr;
    QPushButton* Acquisisci = nullptr;
    QPushButton* back = nullptr;
    QLineEdit* NREC = nullptr;
    QPushButton* Grafico = nullptr;
    QPushButton* Acquisisci_Temp = nullptr;
    QProgressBar* Progresso = nullptr; // progress of the temperature download
    QRadioButton* ModoAcq = nullptr;
    QLineEdit* Text2 = nullptr;
    QPushButton* CONTAIMP = nullptr;

    // LETTURA CONTINUA. Of the arrays `para` and `parameters` only element 2 exists on this window;
    // elements 0 and 1 stay null, so that the index is the one the handlers are written with.
    std::array<QLabel*, 6> LABCANALI{};
    std::array<QLineEdit*, 6> continua{};
    std::array<QPushButton*, 1> MISCONTINUA{};
    std::array<QLabel*, 3> para{};
    std::array<QLineEdit*, 3> parameters{};
    QPushButton* Status = nullptr;
    QPushButton* constop = nullptr;
    QPushButton* cmdGrafico = nullptr;

    // GPRS
    std::array<QLabel*, 10> GPRSLABEL{};
    std::array<QLineEdit*, 10> GPRS{};
    static constexpr int kGprsPassword = 1; // GPRS[1] and GPRS[5] hold passwords
    static constexpr int kFtpPassword = 5;
    QPushButton* LeggiGPRS = nullptr;
    QPushButton* ScriviGPRS = nullptr;
    QCheckBox* MostraPassword = nullptr; // the two passwords are masked until this is ticked

    // ALLARMI
    QLineEdit* mmpioggia = nullptr;
    QPushButton* mmpioggialeggi = nullptr;
    QPushButton* mmpioggiatastoscrivi = nullptr;
    QLabel* Rubrica = nullptr;
    std::array<QLabel*, 11> Label6{};
    std::array<QLineEdit*, 10> NUMERO_ALLARME_SMS{};
    QLineEdit* NUMERO_ALLARMI_SMS = nullptr;
    QPushButton* LEGGI_GSM = nullptr;
    QPushButton* SCRIVI_GSM = nullptr;
    QLineEdit* NUMERO_ALLARME_TELEFONO = nullptr;
    QCheckBox* Abilita_SMS = nullptr;
    QCheckBox* Abilita_Telefono = nullptr;
    QPushButton* Leggi_Allarmi = nullptr;
    QCheckBox* EMAIL = nullptr;
    QPushButton* Leggi_Email = nullptr;

    // (0) stands on ALLARMI, (1) on GPRS, where the GSM and GPRS controls would be.
    std::array<QLabel*, 2> nonattivo{};

    // Back to the controls the base model shows, before another model is adapted to.
    void restoreModelVisibility();
    // The free memory box turns orange when less than a tenth of the memory is left.
    void showMemoryLeft();

    // The folder chosen for data files (the directory list's path); the process's working
    // directory until the operator picks another.
    QString dataFolder() const { return m_dataFolder; }
    void setDataFolder(const QString& folder) { m_dataFolder = folder; }

    // Asked before the window closes (its close box, Escape, Ctrl+Q): false keeps it open.
    void setCloseCheck(std::function<bool()> check) { m_closeCheck = std::move(check); }

signals:
    // The window was closed: the session ends with it.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

    void showEvent(QShowEvent* event) override;

private:
    std::function<bool()> m_closeCheck;
    QWidget* buildDataModalitaTab();
    QWidget* buildTimersTab();
    QWidget* buildGestioneCanaliTab();
    QWidget* buildDatiGeneraliTab();
    QWidget* buildAcquisizioneTab();
    QWidget* buildLetturaContinuaTab();
    QWidget* buildGprsTab();
    QWidget* buildAllarmiTab();
    void applyDesignTimeState();

    QString m_dataFolder;
    QVBoxLayout* m_layout = nullptr;
    bool m_tabsOrdered = false;
};

} // namespace stazione::ui
