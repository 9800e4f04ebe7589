#include "ui/data_viewer.h"

#include "data/csv_export.h"
#include "data/data_table.h"
#include "ui/dialogs.h"
#include "ui/trace_chart.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace stazione::ui {

namespace {

// The text tab shows the start of a file this long at most: the logger's memory holds far less.
constexpr qint64 kLongestText = 16 << 20;

QIcon swatch(int channel)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QPen pen = TraceChart::penFor(channel);
    painter.fillRect(QRect(1, 5, 14, 6), pen.color());
    return QIcon(pixmap);
}

} // namespace

DataViewer::DataViewer(Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_dialogs(dialogs)
    , m_folder(QDir::currentPath())
{
    setObjectName(QStringLiteral("DataViewer"));
    closeOnKeys(this, QKeySequence(Qt::Key_Escape));
    setWindowTitle(tr("Grafici"));

    chart = new TraceChart(this);
    chart->setObjectName(QStringLiteral("chart"));
    chart->setMinimumSize(480, 300);
    m_boxes = new QWidget(this);
    m_boxes->setObjectName(QStringLiteral("channels"));
    new QHBoxLayout(m_boxes);
    m_boxes->layout()->setContentsMargins(0, 0, 0, 0);

    chartPage = new QWidget(this);
    auto* chartLayout = new QVBoxLayout(chartPage);
    chartLayout->setContentsMargins(2, 2, 2, 2);
    chartLayout->addWidget(m_boxes);
    chartLayout->addWidget(chart, 1);

    m_table = new data::DataTable(this);
    table = new QTableView(this);
    table->setObjectName(QStringLiteral("table"));
    table->setModel(m_table);
    // A million rows: fixed heights, never sized to their contents.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setDefaultSectionSize(110);
    tablePage = table;

    text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("text"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    textPage = text;

    tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));
    tabs->addTab(chartPage, tr("Grafico"));
    tabs->addTab(tablePage, tr("Tabella"));
    tabs->addTab(textPage, tr("Testo"));

    cmdApri = makeButton(this, QStringLiteral("cmdApri"), tr("Apri…"));
    cmdTutto = makeButton(this, QStringLiteral("cmdTutto"), tr("Tutto"));
    cmdTutto->setToolTip(tr("Mostra tutti i dati (trascina per ingrandire un'area, la rotella "
                            "ingrandisce il tempo, il tasto destro sposta)."));
    cmdEsportaPng = makeButton(this, QStringLiteral("cmdEsportaPng"), tr("Esporta PNG"));
    cmdEsportaCsv = makeButton(this, QStringLiteral("cmdEsportaCsv"), tr("Esporta CSV"));
    cmdEsportaCsv->setToolTip(tr("Salva come tabella CSV i canali spuntati: dalla scheda Grafico "
                                 "l'intervallo mostrato, dalla scheda Tabella tutte le righe."));
    cmdChiudi = makeButton(this, QStringLiteral("cmdChiudi"), tr("Chiudi"));
    status = makeLabel(this, QStringLiteral("status"), QString());
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status->setMinimumWidth(200);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdApri);
    buttons->addWidget(cmdTutto);
    buttons->addWidget(cmdEsportaPng);
    buttons->addWidget(cmdEsportaCsv);
    buttons->addStretch();
    buttons->addWidget(cmdChiudi);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(tabs, 1);
    layout->addWidget(status);

    connect(cmdApri, &QPushButton::clicked, this, &DataViewer::Apri_Click);
    connect(cmdTutto, &QPushButton::clicked, chart, &TraceChart::showAll);
    connect(cmdEsportaPng, &QPushButton::clicked, this, &DataViewer::EsportaPng_Click);
    connect(cmdEsportaCsv, &QPushButton::clicked, this, &DataViewer::EsportaCsv_Click);
    connect(cmdChiudi, &QPushButton::clicked, this, &QWidget::close);
    connect(chart, &TraceChart::hovered, status, &QLabel::setText);

    clear();
    resize(1100, 700);
}

DataViewer::~DataViewer() = default;

void DataViewer::clear()
{
    chart->setData(nullptr);
    m_table->setData(nullptr);
    text->clear();
    for (QCheckBox* box : channelBoxes)
        delete box;
    channelBoxes.clear();
    tabs->setTabVisible(tabs->indexOf(textPage), false);
    tabs->setTabEnabled(tabs->indexOf(chartPage), false);
    tabs->setTabEnabled(tabs->indexOf(tablePage), false);
    cmdTutto->setEnabled(false);
    cmdEsportaPng->setEnabled(false);
    cmdEsportaCsv->setEnabled(false);
    status->clear();
}

QString DataViewer::baseName() const
{
    return QFileInfo(m_path).completeBaseName();
}

bool DataViewer::openFile(const QString& path)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    clear();
    m_path = path;
    m_folder = QFileInfo(path).absolutePath();
    setWindowTitle(tr("Grafici - %1").arg(QFileInfo(path).fileName()));

    // A fifo or a device is refused before it is read: it could block or never end.
    QFile file;
    if (auto opened = data::openDataFile(file, path); !opened) {
        QApplication::restoreOverrideCursor();
        const QString why = opened.error().message;
        status->setText(why);
        m_dialogs.inform(this, QStringLiteral("Attenzione"), why, Dialogs::Icon::Warning);
        return false;
    }
    const auto kind = data::sniffDataFile(file.peek(64 << 10));
    file.close();
    const bool sensorText = !kind || *kind == data::DataFileKind::Sensor;
    if (sensorText)
        showText(path);

    data::DataError where;
    auto read = data::readDataFile(path, &where);
    QApplication::restoreOverrideCursor();
    if (!read) {
        if (sensorText) {
            // The logger's own lines in a layout the program does not know: the text is all there is.
            m_summary = tr("Le righe di questo file dei dati dei sensori non sono nella forma «data ora, "
                           "valore, valore...»: si mostra il testo. (%1)")
                            .arg(read.error().message);
            status->setText(m_summary);
            return true;
        }
        status->setText(read.error().message);
        m_dialogs.inform(this, QStringLiteral("Attenzione"),
                         tr("Il file %1 non si legge.\n%2").arg(path, read.error().message),
                         Dialogs::Icon::Warning);
        showText(path);
        return false;
    }
    auto data = std::make_shared<data::DataSet>(std::move(*read));
    const bool ordered = data->timesAscending();
    data->sortByTime();
    m_summary = tr("%1: %2 righe, %3 canali")
                    .arg(data::kindName(data->kind))
                    .arg(data->rows())
                    .arg(data->channels.size());
    if (!ordered)
        m_summary += tr(" (righe riordinate per data e ora: l'orologio del datalogger è tornato indietro)");
    if (data->outOfRange > 0)
        m_summary += tr("; %1 valori fuori scala mostrati come interruzioni").arg(data->outOfRange);
    showData(std::move(data));
    if (sensorText)
        tabs->setCurrentWidget(chartPage);
    status->setText(m_summary);
    return true;
}

void DataViewer::showText(const QString& path)
{
    QFile file;
    if (!data::openDataFile(file, path))
        return;
    const QByteArray bytes = file.read(kLongestText);
    QString shown = QString::fromLatin1(bytes);
    if (!file.atEnd())
        shown += tr("\n[... il file continua: se ne mostrano i primi %1 MB]").arg(kLongestText >> 20);
    text->setPlainText(shown);
    tabs->setTabVisible(tabs->indexOf(textPage), true);
    tabs->setCurrentWidget(textPage);
}

void DataViewer::showData(std::shared_ptr<data::DataSet> data)
{
    for (int c = 0; c < data->channels.size(); ++c) {
        auto* box = makeCheck(m_boxes, indexedName(u"canale", c), data->channels.at(c));
        box->setIcon(swatch(c));
        box->setChecked(true);
        connect(box, &QCheckBox::toggled, chart, [this, c](bool on) { chart->setChannelVisible(c, on); });
        static_cast<QHBoxLayout*>(m_boxes->layout())->addWidget(box);
        channelBoxes.push_back(box);
    }
    static_cast<QHBoxLayout*>(m_boxes->layout())->addStretch();
    std::shared_ptr<const data::DataSet> shared = std::move(data);
    chart->setData(shared);
    m_table->setData(shared);
    // The time column shows the whole date and time.
    table->horizontalHeader()->resizeSection(
        0, table->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + 24);
    tabs->setTabEnabled(tabs->indexOf(chartPage), true);
    tabs->setTabEnabled(tabs->indexOf(tablePage), true);
    tabs->setCurrentWidget(chartPage);
    cmdTutto->setEnabled(true);
    cmdEsportaPng->setEnabled(true);
    cmdEsportaCsv->setEnabled(true);
}

void DataViewer::Apri_Click()
{
    const auto path = m_dialogs.openFile(this, m_folder, tr("File di dati (*.txt);;Tutti i file (*)"));
    if (path)
        openFile(*path);
}

bool DataViewer::exportPng(const QString& path)
{
    return chart->grab().save(path, "PNG");
}

bool DataViewer::exportCsv(const QString& path)
{
    const auto refuse = [this, &path](const QString& why) {
        m_dialogs.inform(this, QStringLiteral("Attenzione"),
                         tr("La tabella %1 non si scrive: %2").arg(path, why), Dialogs::Icon::Warning);
        return false;
    };
    switch (data::exportTarget(m_path, path)) {
    case data::ExportTarget::SameAsInput:
        return refuse(tr("è il file dei dati stesso."));
    case data::ExportTarget::NotRegular:
        return refuse(tr("non è un file normale."));
    case data::ExportTarget::Fine:
        break;
    }
    QFile input;
    if (auto opened = data::openDataFile(input, m_path); !opened)
        return refuse(opened.error().message);
    QSaveFile output(path);
    if (!output.open(QIODevice::WriteOnly))
        return refuse(output.errorString());
    // The chart's tab exports what the chart shows; the table's tab the whole table. Either way
    // only the channels ticked, by name, so that each session's own channels are found.
    const bool shownSpan = tabs->currentWidget() == chartPage;
    data::ExportOptions options;
    if (shownSpan) {
        options.from = chart->spanFrom();
        options.to = chart->spanTo();
    }
    options.channelNames = QStringList();
    for (size_t c = 0; c < channelBoxes.size(); ++c) {
        if (channelBoxes[c]->isChecked())
            options.channelNames->append(chart->data()->channels.at(qsizetype(c)));
    }
    auto exported = data::exportCsv(input, output, options);
    if (!exported)
        return refuse(exported.error().message);
    if (!output.commit())
        return refuse(output.errorString());
    const QString from =
        data::wallDateTime(chart->spanFrom()).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    const QString to = data::wallDateTime(chart->spanTo()).toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    status->setText(shownSpan
                        ? tr("%1 righe dell'intervallo mostrato (da %2 a %3) salvate in %4")
                              .arg(exported->rows)
                              .arg(from, to, path)
                        : tr("%1 righe (tutta la tabella) salvate in %2").arg(exported->rows).arg(path));
    return true;
}

void DataViewer::EsportaPng_Click()
{
    const auto path =
        m_dialogs.saveFile(this, m_folder, baseName() + QStringLiteral(".png"), QStringLiteral("*.png"));
    if (!path)
        return;
    if (exportPng(*path))
        status->setText(tr("Grafico salvato in %1").arg(*path));
    else
        m_dialogs.inform(this, QStringLiteral("Attenzione"), tr("Il grafico %1 non si salva.").arg(*path),
                         Dialogs::Icon::Warning);
}

void DataViewer::EsportaCsv_Click()
{
    const auto path =
        m_dialogs.saveFile(this, m_folder, baseName() + QStringLiteral(".csv"), QStringLiteral("*.csv"));
    if (path)
        exportCsv(*path);
}

QImage chartPicture(std::shared_ptr<const data::DataSet> data, const QString& title, QSize size)
{
    QWidget page;
    page.setAttribute(Qt::WA_DontShowOnScreen);
    page.setAutoFillBackground(true);
    page.setPalette(QPalette(Qt::white));
    auto* layout = new QVBoxLayout(&page);
    auto* heading = new QLabel(title, &page);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    // The legend wraps into rows, so that many channels never push the chart off the picture.
    auto* legend = new QGridLayout;
    legend->setHorizontalSpacing(8);
    const int perRow = std::max(1, size.width() / 120);
    for (int c = 0; c < data->channels.size(); ++c) {
        auto* entry = new QLabel(&page);
        entry->setText(QStringLiteral("<span style=\"color:%1\">&#9632;</span> %2")
                           .arg(TraceChart::penFor(c).color().name(), data->channels.at(c).toHtmlEscaped()));
        legend->addWidget(entry, c / perRow, c % perRow);
    }
    legend->setColumnStretch(perRow, 1);
    layout->addLayout(legend);
    auto* chart = new TraceChart(&page);
    layout->addWidget(chart, 1);
    page.resize(size);
    page.show();
    chart->setData(std::move(data));
    // The chart lays its plot area out in the event loop; thin the lines for its final width.
    QCoreApplication::processEvents();
    chart->redecimate();
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    page.render(&picture);
    return picture;
}

} // namespace stazione::ui
