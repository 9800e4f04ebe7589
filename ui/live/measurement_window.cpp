#include "ui/live/measurement_window.h"

#include "link/messages.h"
#include "live/chart_data.h"
#include "live/measurement.h"
#include "live/session_table.h"
#include "session/session.h"
#include "ui/dialogs.h"
#include "ui/form1.h"
#include "ui/grafici.h"
#include "ui/mis_cont.h"
#include "ui/windows.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>

namespace stazione::live {

MeasurementWindow::MeasurementWindow(session::Session& session, ui::Form1& form, ui::MisCont& window,
                                     ui::Grafici& chart, ui::Dialogs& dialogs, QObject* parent)
    : MainWindowHandler(session, form, dialogs, parent)
    , m_mis(window)
    , m_chart(chart)
    , m_table(std::make_unique<SessionTable>())
{
    m_window = &window;
    // The session file holds every row; the grid reads back the ones it shows.
    m_table->setRowStore(SessionTable::RowStore::File);
    window.Grid1->setModel(m_table.get());
    wire();
    onClick(window.cmdStart, [this] { return cmdStart(); });
    // Stop, the chart and the closing act while a session waits for the logger.
    connect(window.cmdStop, &QPushButton::clicked, this, &MeasurementWindow::cmdStop);
    connect(window.cmdGraf, &QPushButton::clicked, this, &MeasurementWindow::cmdGraf);
    connect(window.cmdChiudi, &QPushButton::clicked, this, &MeasurementWindow::cmdChiudi);
    // Escape or the close box would end a running measurement: asked first, as "Chiudi" is off.
    window.setCloseCheck([this] {
        if (!m_running)
            return true;
        return m_dialogs.askYesNo(&m_mis, QStringLiteral("Attenzione"),
                                  tr("La misura continua è in corso.\nTerminarla e chiudere la finestra?"),
                                  ui::Dialogs::Icon::Question, false);
    });
    connect(&window, &ui::MisCont::closed, this, [this] {
        // Closing the window during a session ends it as Stop does: the set being read is completed.
        if (m_running)
            cmdStop();
    });
    connect(&chart, &ui::Grafici::drawLatestRequested, this, [this] {
        Visualizzate = 1000;
        popola_grafico(Visualizzate);
    });
    connect(&chart, &ui::Grafici::drawAllRequested, this, [this] {
        Visualizzate = 0;
        popola_grafico(0);
    });
    connect(&chart, &ui::Grafici::closed, this, [this] {
        m_chart.hide();
        m_mis.cmdGraf->setEnabled(true);
        GraficoAperto = false;
    });
}

MeasurementWindow::~MeasurementWindow() = default;

void MeasurementWindow::cmdGrafico()
{
    m_dialogs.inform(&m_form, QStringLiteral("ATTENZIONE"), kEnergyWarning, ui::Dialogs::Icon::Information);
    ui::centreOnScreen(&m_mis);
    m_mis.show();
    m_mis.raise();
}

void MeasurementWindow::setRunning(bool running)
{
    m_running = running;
    m_mis.cmdStart->setEnabled(!running);
    m_mis.cmdChiudi->setEnabled(!running);
    m_mis.cmdStop->setEnabled(running);
}

link::Status MeasurementWindow::cmdStart()
{
    link::Link& l = link();
    m_mis.txtAvviso->setText(tr("Richiesta dati alla centralina..."));
    m_mis.txtAvviso->setVisible(true);
    AllInputScope allInput(l.port());

    auto channels = requestSessionChannels(l);
    if (!channels) {
        m_mis.cmdChiudi->setEnabled(true);
        if (channels.error().kind == link::ErrorKind::Data) {
            m_dialogs.inform(&m_mis, QString(), link::operatorSentence(channels.error()),
                             ui::Dialogs::Icon::Information);
            return {};
        }
        return channels.error();
    }
    if (*channels <= 0) {
        m_dialogs.inform(&m_mis, kCancelledTitle, kNoChannel, ui::Dialogs::Icon::Information);
        m_mis.txtAvviso->setText(kCancelledTitle);
        m_mis.txtAvviso->setVisible(true);
        m_mis.cmdGraf->setEnabled(false);
        m_mis.cmdStop->setEnabled(false);
        m_stop = true;
        return {};
    }
    m_mis.cmdGraf->setEnabled(true);
    const auto path =
        m_dialogs.saveFile(&m_mis, m_form.dataFolder(), defaultSessionFileName(QDateTime::currentDateTime()),
                           QStringLiteral("*.txt"));
    if (!path)
        return {};
    const bool busy = fileIsBusy(*path, [this, &path] {
        return m_dialogs.askRetryCancel(
            &m_mis, kCancelledTitle,
            tr("Il file %1 è occupato. Chiudere le applicazioni che utilizzano il file.").arg(*path));
    });
    if (!busy)
        deleteQuietly(*path);

    setRunning(true);
    m_mis.txtAvviso->setVisible(false);
    m_stop = false;
    Visualizzate = 1000;
    QHeaderView* header = m_mis.Grid1->horizontalHeader();
    bool widthsSet = false;
    const SessionEnd end = runSession(
        l, *m_table, *channels, *path,
        {[this] { return m_stop; },
         [this, header, &widthsSet] {
             if (!widthsSet) {
                 header->resizeSection(0, m_mis.dateColumnWidth());
                 for (int c = 1; c < header->count(); ++c)
                     header->resizeSection(c, m_mis.channelColumnWidth());
                 widthsSet = true;
             }
             QScrollBar* scroll = m_mis.Grid1->verticalScrollBar();
             const bool atBottom = scroll->value() >= scroll->maximum() - 1;
             if (GraficoAperto)
                 popola_grafico(Visualizzate);
             // The grid follows the new sets only while the operator is looking at them.
             if (atBottom)
                 QMetaObject::invokeMethod(m_mis.Grid1, &QTableView::scrollToBottom, Qt::QueuedConnection);
         },
         {}});
    setRunning(false);
    m_mis.txtAvviso->clear();
    m_mis.txtAvviso->setVisible(false);
    m_mis.cmdGraf->setEnabled(!GraficoAperto);
    if (end.error) {
        if (end.error->kind != link::ErrorKind::Cancelled)
            m_dialogs.inform(&m_mis, QStringLiteral("Attenzione"), link::operatorSentence(*end.error),
                             ui::Dialogs::Icon::Warning);
    }
    return {};
}

void MeasurementWindow::cmdStop()
{
    m_mis.txtAvviso->setText(tr("Termino lettura in corso..."));
    m_mis.txtAvviso->setVisible(true);
    m_mis.cmdStop->setEnabled(false);
    m_stop = true;
}

void MeasurementWindow::cmdGraf()
{
    m_mis.cmdGraf->setEnabled(false);
    const int dataColumns = m_table->gridColumns() - 1;
    m_chart.setChannels(dataColumns);
    // A chart with nothing ticked shows one dot: unless the operator chose boxes already, it
    // opens with every channel of the session drawn.
    if (m_chart.tickedBoxes().empty())
        m_chart.tickChannels(dataColumns);
    popola_grafico(10);
    GraficoAperto = true;
    // Beside the measurement window, or at least clear of its row of buttons: over it, the chart
    // would hide Stop.
    QRect buttons;
    for (const QWidget* button : {m_mis.cmdStart, m_mis.cmdStop, m_mis.cmdGraf, m_mis.cmdChiudi})
        buttons |= QRect(button->mapToGlobal(QPoint(0, 0)), button->size());
    ui::placeBeside(&m_chart, &m_mis, buttons);
    m_chart.show();
}

void MeasurementWindow::cmdChiudi()
{
    m_mis.close();
}

void MeasurementWindow::popola_grafico(int n)
{
    m_chart.draw(chartWindow(*m_table, n, m_chart.tickedBoxes(), m_chart.plotColumns()));
}

} // namespace stazione::live
