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
    cmdEsportaCsv->setToolTip(tr("Salva come tabella CSV i canali mostrati nell'intervallo mostrato."));
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

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QApplication::restoreOverrideCursor();
        const QString why = tr("Il file %1 non si apre: %2").arg(path, file.errorString());
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
    showData(std::move(data));
    if (sensorText)
        tabs->setCurrentWidget(chartPage);
    status->setText(m_summary);
    return true;
}

void DataViewer::showText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
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
    QFile input(m_path);
    QSaveFile output(path);
    if (!input.open(QIODevice::ReadOnly) || !output.open(QIODevice::WriteOnly)) {
        m_dialogs.inform(this, QStringLiteral("Attenzione"),
                         tr("La tabella %1 non si scrive: %2")
                             .arg(path, input.isOpen() ? output.errorString() : input.errorString()),
                         Dialogs::Icon::Warning);
        return false;
    }
    data::ExportOptions options;
    options.from = chart->spanFrom();
    options.to = chart->spanTo();
    for (int c = 0; c < int(channelBoxes.size()); ++c) {
        if (channelBoxes[size_t(c)]->isChecked())
            options.channels.push_back(c);
    }
    auto exported = data::exportCsv(input, output, options);
    if (!exported || !output.commit()) {
        m_dialogs.inform(this, QStringLiteral("Attenzione"),
                         tr("La tabella %1 non si scrive: %2")
                             .arg(path, exported ? output.errorString() : exported.error().message),
                         Dialogs::Icon::Warning);
        return false;
    }
    status->setText(tr("%1 righe salvate in %2").arg(exported->rows).arg(path));
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
    auto* legend = new QHBoxLayout;
    for (int c = 0; c < data->channels.size(); ++c) {
        auto* mark = new QLabel(&page);
        mark->setPixmap(swatch(c).pixmap(16, 16));
        legend->addWidget(mark);
        legend->addWidget(new QLabel(data->channels.at(c), &page));
        legend->addSpacing(8);
    }
    legend->addStretch();
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
