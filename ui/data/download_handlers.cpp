#include "ui/data/download_handlers.h"

#include "data/downloads.h"
#include "link/messages.h"
#include "session/session.h"
#include "ui/colours.h"
#include "ui/dialogs.h"
#include "ui/form1.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSortFilterProxyModel>
#include <QStorageInfo>
#include <QTime>
#include <QTreeView>

#include <algorithm>
#include <optional>

namespace stazione::data {

namespace {

const QColor kWorking(255, 255, 0);
const QColor kDone(0, 255, 0);

// The kernel's own folders: their "files" are endless streams or hardware, never data files, and
// reading one (/proc/kmsg) blocks for good.
bool isPseudoFileSystem(const QString& absolutePath)
{
    for (const QLatin1String root : {QLatin1String("/proc"), QLatin1String("/sys"), QLatin1String("/dev")}) {
        if (absolutePath == root || absolutePath.startsWith(root + QLatin1Char('/')))
            return true;
    }
    return false;
}

// Icons and type names from the name alone. The default provider reads a file's first bytes to
// guess its type when the name does not tell, which on the wrong file never returns.
class NameOnlyIcons final : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override
    {
        return QFileIconProvider::icon(info.isDir() ? QFileIconProvider::Folder : QFileIconProvider::File);
    }
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QStringLiteral("Folder");
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? QStringLiteral("File") : suffix.toUpper() + QStringLiteral(" File");
    }
};

// The folder tree without the kernel's folders.
class DataFolders final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto* folders = static_cast<const QFileSystemModel*>(sourceModel());
        return !isPseudoFileSystem(folders->filePath(folders->index(row, 0, parent)));
    }
};

} // namespace

DownloadHandlers::DownloadHandlers(session::Session& session, ui::Form1& form, ui::Dialogs& dialogs,
                                   QObject* parent)
    : MainWindowHandler(session, form, dialogs, parent)
    , m_folders(new QFileSystemModel(this))
    , m_files(new QFileSystemModel(this))
    , m_tree(new DataFolders(this))
    , m_icons(std::make_unique<NameOnlyIcons>())
{
    m_folders->setIconProvider(m_icons.get());
    m_files->setIconProvider(m_icons.get());
    m_folders->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_tree->setSourceModel(m_folders);
    form.Dir1->setModel(m_tree);
    for (int column = 1; column < m_tree->columnCount(); ++column)
        form.Dir1->hideColumn(column);
    m_files->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    form.File1->setModel(m_files);

    fillDrives();
    chooseFolder(form.dataFolder());

    connect(form.Drive1, &QComboBox::activated, this, &DownloadHandlers::Drive1_Change);
    connect(form.Dir1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &DownloadHandlers::Dir1_Change);
    connect(form.File1, &QListView::clicked, this, &DownloadHandlers::File1_Click);
    wire();
    // The chart reads a file; it does not talk to the logger.
    connect(form.Grafico, &QPushButton::clicked, this, &DownloadHandlers::Grafico_Click);
}

void DownloadHandlers::Grafico_Click()
{
    QString path = m_lastWritten;
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        const QString picked = QDir(folder()).filePath(m_form.Nome_File_Dati->text());
        path = !m_form.Nome_File_Dati->text().isEmpty() && QFileInfo(picked).isFile() ? picked : QString();
    }
    emit chartRequested(path);
}

DownloadHandlers::~DownloadHandlers()
{
    // The models' background readers use the icon provider: they go first.
    delete m_tree;
    delete m_folders;
    delete m_files;
}

void DownloadHandlers::fillDrives()
{
    m_form.Drive1->clear();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady())
            m_form.Drive1->addItem(volume.rootPath());
    }
}

QString DownloadHandlers::folder() const
{
    return m_form.dataFolder();
}

void DownloadHandlers::chooseFolder(const QString& path)
{
    const QString absolute = QDir(path).absolutePath();
    if (isPseudoFileSystem(absolute))
        return;
    const QString volume = QStorageInfo(absolute).rootPath();
    const int drive = m_form.Drive1->findText(volume);
    if (drive >= 0)
        m_form.Drive1->setCurrentIndex(drive);
    // The tree is read from the data folder outward: the model lists what the operator opens.
    m_folders->setRootPath(absolute);
    m_form.Dir1->setRootIndex(
        m_tree->mapFromSource(m_folders->index(volume.isEmpty() ? QDir::rootPath() : volume)));
    const QModelIndex index = m_tree->mapFromSource(m_folders->index(absolute));
    m_form.Dir1->setCurrentIndex(index);
    m_form.Dir1->scrollTo(index);
    m_form.setDataFolder(absolute);
    m_form.File1->setRootIndex(m_files->setRootPath(absolute));
}

void DownloadHandlers::Drive1_Change()
{
    const QString root = m_form.Drive1->currentText();
    const QStorageInfo volume(root);
    // A volume that went away (a stick pulled out) gives way to the system's own.
    if (root.isEmpty() || !volume.isValid() || !volume.isReady() || !QDir(root).isReadable()) {
        chooseFolder(QStorageInfo::root().rootPath());
        return;
    }
    chooseFolder(root);
}

void DownloadHandlers::Dir1_Change()
{
    const QString path = m_folders->filePath(m_tree->mapToSource(m_form.Dir1->currentIndex()));
    if (path.isEmpty() || isPseudoFileSystem(path))
        return;
    m_form.setDataFolder(path);
    m_form.File1->setRootIndex(m_files->setRootPath(path));
}

void DownloadHandlers::File1_Click(const QModelIndex& index)
{
    m_form.Nome_File_Dati->setText(m_files->fileName(index));
}

QString DownloadHandlers::downloadProgressText(qint64 lines, qint64 bytes, qint64 elapsedMs, qint64 expected)
{
    const double seconds = double(elapsedMs) / 1000.0;
    const double rate = seconds > 0 ? double(bytes) / seconds : 0.0;
    auto clock = [](qint64 ms) {
        return QTime(0, 0).addMSecs(ms).toString(ms >= 3600000 ? QStringLiteral("H:mm:ss")
                                                               : QStringLiteral("mm:ss"));
    };
    const QString amount = QStringLiteral("%1 kB, %2 kB/s, %3")
                               .arg(double(bytes) / 1000.0, 0, 'f', 1)
                               .arg(rate / 1000.0, 0, 'f', 2)
                               .arg(clock(elapsedMs));
    if (expected <= 0)
        return tr("Scarico dei dati: %1 righe, %2").arg(lines).arg(amount);
    // Records made during the download can take it past the count: it stays short of 100% then.
    const qint64 percent = lines >= expected ? 99 : lines * 100 / expected;
    const qint64 leftMs = lines > 0 && lines < expected ? elapsedMs * (expected - lines) / lines : 0;
    return tr("Scarico dei dati: %1 di %2 righe (%3%), %4, tempo rimasto %5")
        .arg(lines)
        .arg(expected)
        .arg(percent)
        .arg(amount, lines > 0 ? clock(leftMs) : QStringLiteral("--:--"));
}

qint64 DownloadHandlers::expectedRecords() const
{
    bool possibleOk = false;
    bool availableOk = false;
    const qint64 possible = m_form.Acq_possibili->text().trimmed().toLongLong(&possibleOk);
    const qint64 available = m_form.acq_disponibili->text().trimmed().toLongLong(&availableOk);
    if (!possibleOk || !availableOk || available < 0 || possible < available)
        return 0;
    return possible - available;
}

link::Error DownloadHandlers::stopped(link::Error why, const QString& kept, const QString& saved)
{
    // "Nome File" names only a file that exists: the .part with what came, or nothing.
    const bool anything = kept.endsWith(QStringLiteral(".part"));
    m_form.Nome_File_Dati->setText(anything ? QFileInfo(kept).fileName() : QString());
    m_form.Acquisisci->setEnabled(true);
    m_form.Acquisisci_Temp->setEnabled(true);
    if (anything)
        why.kept = saved;
    return why;
}

link::Status DownloadHandlers::Acquisisci()
{
    const auto exchange = m_session.guard().hold();
    m_form.NREC->setText(QStringLiteral("0"));
    const QString name = sensorFileName(m_session.record.Nome_Centralina, today());
    const QString path = QDir(folder()).filePath(name);
    // "Nome File" names the file being written for as long as it is written; how far it got and
    // the wait for the logger after a cancel are told in the strip.
    m_form.Nome_File_Dati->setText(name);
    m_form.Text3->clear();

    // The logger streams for minutes: how much came, how fast, since when; "Annulla" stops the
    // stream as a cancelled wait, which the download turns into a stopped file.
    session::Progress& progress = m_session.progress();
    const qint64 expected = expectedRecords();
    auto shown = std::make_optional<session::Progress::Scope>(progress, tr("Scarico dei dati"), expected,
                                                              [this] { link().cancel(); });
    QElapsedTimer clock;
    clock.start();
    qint64 bytes = 0;
    auto download = downloadRecords(
        link(), path, m_form.ModoAcq->isChecked(),
        [&, this](qint64 lines, const QString& last) {
            m_form.NREC->setText(QString::number(lines));
            m_form.Text3->setText(last);
            bytes += last.size() + 2;
            progress.step(expected > 0 ? std::min(lines, expected) : lines,
                          downloadProgressText(lines, bytes, clock.elapsed(), expected));
        },
        [&](const QString& text) {
            // After a cancel the line is drained: said in the strip, whose Annulla then gives up
            // the drain too.
            progress.step(progress.value(), ui::shown(text));
        });
    if (!download) {
        // Nothing was asked of the logger: the file could not be made.
        m_form.Nome_File_Dati->setText(name);
        return download.error();
    }
    m_lastWritten = download->path; // the final name; a download cut short stays in its .part
    if (download->stopped)
        return stopped(*download->stopped, download->path,
                       tr("%1 righe salvate in %2").arg(download->lines).arg(download->path));
    shown.reset(); // the download is over: the strip goes before "done" is said
    return finished(name);
}

link::Status DownloadHandlers::Acquisisci_Temp()
{
    const auto exchange = m_session.guard().hold();
    ui::setBackColour(m_form.Nome_File_Dati, kWorking);
    const QString name = temperatureFileName(m_session.record.Nome_Centralina, today());
    const QString path = QDir(folder()).filePath(name);
    m_form.Nome_File_Dati->setText(name);
    m_form.Progresso->setValue(0);

    session::Progress& progress = m_session.progress();
    auto shown = std::make_optional<session::Progress::Scope>(progress, tr("Scarico delle temperature"), 100,
                                                              [this] { link().cancel(); });
    auto download = downloadTemperatures(
        link(), path, QDateTime::currentDateTime(),
        [&, this](int percent) {
            m_form.Progresso->setValue(percent);
            progress.step(percent, tr("Scarico delle temperature: %1%").arg(percent));
        },
        [&, this](const QString& text) {
            // "Wait Please" stands in the box while the logger gathers its records; the wait for
            // the line after a cancel is told in the strip only.
            if (text == kWaitPlease)
                m_form.Nome_File_Dati->setText(ui::shown(text));
            progress.step(progress.value(), ui::shown(text));
        });
    if (!download) {
        ui::clearBackColour(m_form.Nome_File_Dati);
        if (download.error().kind == link::ErrorKind::File && download.error().number == kInvalidName)
            m_form.Nome_File_Dati->clear();
        else
            m_form.Nome_File_Dati->setText(name);
        return download.error();
    }
    m_lastWritten = download->path; // the final name; a download cut short stays in its .part
    if (download->stopped) {
        ui::clearBackColour(m_form.Nome_File_Dati);
        return stopped(*download->stopped, download->path,
                       tr("%1 record su %2 salvati in %3")
                           .arg(download->received)
                           .arg(download->records)
                           .arg(download->path));
    }
    shown.reset(); // the download is over: the strip goes before "done" is said
    ui::setBackColour(m_form.Nome_File_Dati, kDone);
    return finished(name, {tr("Check Dati: OK"), tr("Check Dati 3: OK")});
}

link::Status DownloadHandlers::finished(const QString& name, const QStringList& checks)
{
    m_dialogs.beep();
    for (const QString& check : checks)
        m_form.Nome_File_Dati->setText(check);
    m_form.Nome_File_Dati->setText(tr("Registrazione eseguita"));
    m_dialogs.beep();
    m_form.Acquisisci->setEnabled(true);
    m_form.Acquisisci_Temp->setEnabled(true);
    link().Ritardo(100);
    m_form.Nome_File_Dati->setText(name);
    return {};
}

} // namespace stazione::data
