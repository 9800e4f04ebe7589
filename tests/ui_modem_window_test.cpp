#include "ui/colours.h"
#include "ui/modem_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHash>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QWidgetItem>

#include <array>
#include <memory>

using stazione::ui::ModemWindow;

namespace {

// A 1280x800 screen less a desktop panel and the window's own title bar and borders.
constexpr QSize kUsableScreen(1280 - 16, 800 - 80);

const QStringList kPageCaptions{QStringLiteral("1-10"),  QStringLiteral("11-20"), QStringLiteral("21-30"),
                                QStringLiteral("31-40"), QStringLiteral("41-50"), QStringLiteral("51-60"),
                                QStringLiteral("61-70")};

QString captionOf(const QObject* object)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(object))
        return button->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(object))
        return frame->title();
    if (const auto* edit = qobject_cast<const QLineEdit*>(object))
        return edit->text();
    if (const auto* action = qobject_cast<const QAction*>(object))
        return action->text();
    return {};
}

// The four boxes of a row, in the order of the columns.
std::array<QLineEdit*, 4> rowBoxes(const ModemWindow& window, int row)
{
    return {window.Nome[row], window.Telefono[row], window.Scadenza[row], window.Uldata[row]};
}

bool isInside(const QWidget* widget, const QWidget* ancestor)
{
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (w == ancestor)
            return true;
    }
    return false;
}

QList<QGroupBox*> visiblePages(const ModemWindow& window)
{
    QList<QGroupBox*> shown;
    for (QGroupBox* page : window.Centraline) {
        if (page->isVisibleTo(&window))
            shown << page;
    }
    return shown;
}

int textRoom(const QLineEdit* box)
{
    return box->width() - 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box) - 4;
}

int centreY(const QWidget* widget)
{
    return widget->mapTo(widget->window(), widget->rect().center()).y();
}

} // namespace

class ModemWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_window = std::make_unique<ModemWindow>(); }
    void cleanup() { m_window.reset(); }

    void titleAndName()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("GSM CONNECTION"));
        QCOMPARE(m_window->objectName(), QStringLiteral("Modem"));
        QVERIFY(m_window->isWindow());
    }

    void controls_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("caption");

        const auto row = [](const char* name, const char* type, const char* caption) {
            QTest::newRow(name) << QString::fromLatin1(type) << QString::fromUtf8(caption);
        };
        row("serialeFrame", "QGroupBox", "Seriale");
        row("SERMODEM", "QLineEdit", "0");
        row("CERCAMODEM", "QPushButton", "Cerca Modem");
        row("modemWindowFrame", "QGroupBox", "Modem Window");
        row("Text1", "QLineEdit", "");
        row("Salva", "QAction", "Salva i dati");
        row("Connetti", "QAction", "Connetti");
        row("Scarica_Vai", "QAction", "Download and Go");
        row("Riprova", "QAction", "Riprova");
        row("Interrompi", "QAction", "Stop");
    }

    void controls()
    {
        QFETCH(QString, type);
        QFETCH(QString, caption);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        const ModemWindow& w = *m_window;
        const QHash<QString, QObject*> members{
            {QStringLiteral("serialeFrame"), w.serialeFrame},
            {QStringLiteral("SERMODEM"), w.SERMODEM},
            {QStringLiteral("CERCAMODEM"), w.CERCAMODEM},
            {QStringLiteral("modemWindowFrame"), w.modemWindowFrame},
            {QStringLiteral("Text1"), w.Text1},
            {QStringLiteral("Salva"), w.Salva},
            {QStringLiteral("Connetti"), w.Connetti},
            {QStringLiteral("Scarica_Vai"), w.Scarica_Vai},
            {QStringLiteral("Riprova"), w.Riprova},
            {QStringLiteral("Interrompi"), w.Interrompi},
        };
        QObject* member = members.value(name);

        QVERIFY(member != nullptr);
        const QList<QObject*> found = m_window->findChildren<QObject*>(name);
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first(), member);
        QCOMPARE(QString::fromLatin1(member->metaObject()->className()), type);
        QCOMPARE(captionOf(member), caption);
        if (auto* widget = qobject_cast<QWidget*>(member))
            QVERIFY(widget->isVisibleTo(m_window.get()));
    }

    // The port box and the button sit in "Seriale", the status box in "Modem Window".
    void framesHoldTheirControls()
    {
        QCOMPARE(m_window->SERMODEM->parentWidget(), m_window->serialeFrame);
        QCOMPARE(m_window->CERCAMODEM->parentWidget(), m_window->serialeFrame);
        QCOMPARE(m_window->Text1->parentWidget(), m_window->modemWindowFrame);
        QVERIFY(m_window->Text1->isReadOnly());
        QVERIFY(!m_window->SERMODEM->isReadOnly());
    }

    // The commands are in the menu bar at the top of the window, in this order.
    void menuBar()
    {
        QMenuBar* bar = m_window->menuBar;
        QVERIFY(bar != nullptr);
        QCOMPARE(m_window->findChildren<QMenuBar*>().size(), 1);
        QCOMPARE(bar->parentWidget(), m_window.get());
        const QList<QAction*> expected{m_window->Salva, m_window->Connetti, m_window->Scarica_Vai,
                                       m_window->Riprova, m_window->Interrompi};
        QCOMPARE(bar->actions(), expected);

        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->y(), 0);
        QVERIFY(bar->geometry().bottom() < m_window->Primi10[0]->y());
        for (QAction* action : expected)
            QVERIFY2(!bar->actionGeometry(action).isEmpty(), qPrintable(action->objectName()));
    }

    // No row is chosen, no dial placed and no call up when the window opens.
    void startStateOfCommands()
    {
        QVERIFY(m_window->Salva->isEnabled());
        QVERIFY(m_window->Scarica_Vai->isEnabled());
        QVERIFY(!m_window->Connetti->isEnabled());
        QVERIFY(!m_window->Interrompi->isEnabled());
        QVERIFY(!m_window->Riprova->isEnabled());
    }

    void rows()
    {
        const ModemWindow& w = *m_window;
        const std::array<std::pair<const char16_t*, const std::array<QLineEdit*, 70>*>, 4> columns{{
            {u"Nome", &w.Nome},
            {u"Telefono", &w.Telefono},
            {u"Scadenza", &w.Scadenza},
            {u"Uldata", &w.Uldata},
        }};
        QCOMPARE(w.Sel.size(), 70u);
        QSet<QObject*> seen;
        for (int i = 0; i < 70; ++i) {
            const QString selName = QStringLiteral("Sel_%1").arg(i);
            QVERIFY2(w.Sel[i] != nullptr, qPrintable(selName));
            QCOMPARE(w.Sel[i]->objectName(), selName);
            QCOMPARE(w.findChildren<QRadioButton*>(selName).size(), 1);
            QVERIFY(!w.Sel[i]->isChecked());
            seen.insert(w.Sel[i]);
            for (const auto& [base, boxes] : columns) {
                QLineEdit* box = (*boxes)[i];
                const QString name = QStringLiteral("%1_%2").arg(QStringView(base)).arg(i);
                QVERIFY2(box != nullptr, qPrintable(name));
                QCOMPARE(box->objectName(), name);
                QCOMPARE(w.findChildren<QWidget*>(name).size(), 1);
                QCOMPARE(QString::fromLatin1(box->metaObject()->className()), QStringLiteral("QLineEdit"));
                QVERIFY2(box->text().isEmpty(), qPrintable(name));
                QVERIFY2(!box->isReadOnly() && box->isEnabled(), qPrintable(name));
                seen.insert(box);
            }
        }
        QCOMPARE(seen.size(), 70 * 5);
        for (const char* base : {"Sel", "Nome", "Telefono", "Scadenza", "Uldata"})
            QCOMPARE(w.findChild<QWidget*>(QStringLiteral("%1_70").arg(QLatin1String(base))), nullptr);
    }

    // Page p holds rows 10p to 10p+9, each box in the frame of its column.
    void pagesHoldTheirRows()
    {
        const ModemWindow& w = *m_window;
        for (int p = 0; p < 7; ++p) {
            QGroupBox* page = w.Centraline[p];
            QVERIFY(page != nullptr);
            QCOMPARE(page->objectName(), QStringLiteral("Centraline_%1").arg(p));
            QCOMPARE(page->parentWidget(), m_window.get());
            QCOMPARE(page->title(), p < 5 ? QStringLiteral("Centraline") : QStringLiteral("Datalogger"));
            const std::array<QGroupBox*, 4> frames{w.Frame2[p], w.Frame4[p], w.Frame5[p], w.Frame6[p]};
            const std::array<const char*, 4> frameNames{"Frame2", "Frame4", "Frame5", "Frame6"};
            for (std::size_t k = 0; k < frames.size(); ++k) {
                QVERIFY(frames[k] != nullptr);
                QCOMPARE(frames[k]->objectName(),
                         QStringLiteral("%1_%2").arg(QLatin1String(frameNames[k])).arg(p));
                QCOMPARE(frames[k]->parentWidget(), page);
            }
        }
        for (int i = 0; i < 70; ++i) {
            const int p = i / 10;
            QCOMPARE(w.Sel[i]->parentWidget(), w.Frame2[p]);
            QCOMPARE(w.Nome[i]->parentWidget(), w.Frame2[p]);
            QCOMPARE(w.Telefono[i]->parentWidget(), w.Frame4[p]);
            QCOMPARE(w.Scadenza[i]->parentWidget(), w.Frame5[p]);
            QCOMPARE(w.Uldata[i]->parentWidget(), w.Frame6[p]);
            for (int q = 0; q < 7; ++q) {
                QCOMPARE(isInside(w.Sel[i], w.Centraline[q]), q == p);
                for (QLineEdit* box : rowBoxes(w, i))
                    QCOMPARE(isInside(box, w.Centraline[q]), q == p);
            }
        }
    }

    void columnCaptions_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("captions");
        const QString nome = QStringLiteral("Nome");
        const QString ultimo = QStringLiteral("Ultimo Controllo");
        for (int p = 0; p < 5; ++p) {
            QTest::addRow("page %d", p)
                << p << QStringList{nome, QStringLiteral("Telefono"), QStringLiteral("Scadenza"), ultimo};
        }
        QTest::newRow("page 5") << 5
                                << QStringList{nome, QStringLiteral("GSM"), QStringLiteral("Data gine"),
                                               ultimo};
        QTest::newRow("page 6") << 6
                                << QStringList{nome, QStringLiteral("GSM"), QStringLiteral("Data fine "),
                                               ultimo};
    }

    void columnCaptions()
    {
        QFETCH(int, page);
        QFETCH(QStringList, captions);
        const ModemWindow& w = *m_window;
        const QStringList titles{w.Frame2[page]->title(), w.Frame4[page]->title(), w.Frame5[page]->title(),
                                 w.Frame6[page]->title()};
        QCOMPARE(titles, captions);
    }

    void pageButtons()
    {
        const ModemWindow& w = *m_window;
        for (int p = 0; p < 7; ++p) {
            QRadioButton* button = w.Primi10[p];
            QVERIFY(button != nullptr);
            QCOMPARE(button->objectName(), QStringLiteral("Primi10_%1").arg(p));
            QCOMPARE(w.findChildren<QRadioButton*>(button->objectName()).size(), 1);
            QCOMPARE(button->text(), kPageCaptions.at(p));
            QCOMPARE(button->parentWidget(), m_window.get());
            QCOMPARE(button->isChecked(), p == 0);
        }
        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("Primi10_7")), nullptr);
        QCOMPARE(w.findChild<QWidget*>(QStringLiteral("Centraline_7")), nullptr);
    }

    void firstPageShowsAtStart()
    {
        QCOMPARE(visiblePages(*m_window), QList<QGroupBox*>{m_window->Centraline[0]});
    }

    void showPage()
    {
        ModemWindow& w = *m_window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect place = w.Centraline[0]->geometry();
        for (int p : {3, 6, 0, 5, 5, 1}) {
            w.showPage(p);
            QCOMPARE(visiblePages(w), QList<QGroupBox*>{w.Centraline[p]});
            for (int q = 0; q < 7; ++q)
                QCOMPARE(w.Primi10[q]->isChecked(), q == p);
            QCoreApplication::processEvents();
            QCOMPARE(w.Centraline[p]->geometry(), place);
            QVERIFY(w.Nome[p * 10 + 9]->isVisible());
            QVERIFY(!w.Nome[(p + 1) % 7 * 10]->isVisible());
        }
        // Out of range is no page at all: the page shown stays.
        w.showPage(7);
        w.showPage(-1);
        QCOMPARE(visiblePages(w), QList<QGroupBox*>{w.Centraline[1]});
        QVERIFY(w.Primi10[1]->isChecked());
    }

    void clickingAPageButtonShowsItsPage()
    {
        ModemWindow& w = *m_window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int p : {4, 2, 6, 0}) {
            QTest::mouseClick(w.Primi10[p], Qt::LeftButton);
            QCOMPARE(visiblePages(w), QList<QGroupBox*>{w.Centraline[p]});
            for (int q = 0; q < 7; ++q)
                QCOMPARE(w.Primi10[q]->isChecked(), q == p);
        }
        // Clicking the page already shown leaves it shown.
        QTest::mouseClick(w.Primi10[0], Qt::LeftButton);
        QCOMPARE(visiblePages(w), QList<QGroupBox*>{w.Centraline[0]});
        QVERIFY(w.Primi10[0]->isChecked());
    }

    // One station is selected among all seventy, whichever page it is on.
    void selIsExclusiveAcrossPages()
    {
        ModemWindow& w = *m_window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.selGroup()->buttons().size(), 70);
        QVERIFY(w.selGroup()->exclusive());
        for (int i = 0; i < 70; ++i)
            QCOMPARE(w.selGroup()->id(w.Sel[i]), i);

        w.showPage(1);
        QTest::mouseClick(w.Sel[15], Qt::LeftButton);
        QVERIFY(w.Sel[15]->isChecked());
        QCOMPARE(w.selGroup()->checkedId(), 15);

        // Switching pages keeps the station chosen.
        w.showPage(0);
        QVERIFY(w.Sel[15]->isChecked());

        QTest::mouseClick(w.Sel[3], Qt::LeftButton);
        QVERIFY(w.Sel[3]->isChecked());
        QVERIFY(!w.Sel[15]->isChecked());

        w.Sel[69]->setChecked(true);
        QVERIFY(!w.Sel[3]->isChecked());
        int checked = 0;
        for (QRadioButton* sel : w.Sel)
            checked += sel->isChecked() ? 1 : 0;
        QCOMPARE(checked, 1);
        // Choosing a station is not choosing a page.
        QVERIFY(w.Primi10[0]->isChecked());
        QCOMPARE(visiblePages(w), QList<QGroupBox*>{w.Centraline[0]});
    }

    void selectedRowColours()
    {
        ModemWindow& w = *m_window;
        const QColor plain = stazione::ui::backColour(w.Nome[0]);
        QVERIFY(plain != stazione::ui::kConfirmed && plain != stazione::ui::kEdited);

        for (int row : {15, 3, 69, 0}) {
            w.setSelectedRowColours(row);
            for (int i = 0; i < 70; ++i) {
                for (QLineEdit* box : rowBoxes(w, i)) {
                    QVERIFY2(stazione::ui::backColour(box) ==
                                 (i == row ? stazione::ui::kEdited : stazione::ui::kConfirmed),
                             qPrintable(QStringLiteral("row %1: %2").arg(row).arg(box->objectName())));
                }
            }
        }
        // The status box is not part of the directory.
        QCOMPARE(stazione::ui::backColour(w.Text1), plain);
    }

    void rowsLineUp()
    {
        ModemWindow& w = *m_window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int p : {0, 5, 6}) {
            w.showPage(p);
            QCoreApplication::processEvents();
            for (int r = 0; r < 10; ++r) {
                const int i = p * 10 + r;
                const auto boxes = rowBoxes(w, i);
                QVERIFY(qAbs(centreY(w.Sel[i]) - centreY(boxes[0])) <= 1);
                for (std::size_t k = 1; k < boxes.size(); ++k) {
                    QVERIFY2(qAbs(centreY(boxes[k]) - centreY(boxes[0])) <= 1,
                             qPrintable(boxes[k]->objectName()));
                    const QPoint left = boxes[k - 1]->mapTo(&w, QPoint(boxes[k - 1]->width(), 0));
                    QVERIFY(left.x() < boxes[k]->mapTo(&w, QPoint(0, 0)).x());
                }
                if (r > 0)
                    QVERIFY(centreY(w.Nome[i]) > centreY(w.Nome[i - 1]) + w.Nome[i - 1]->height() / 2);
            }
        }
    }

    // Names and numbers take about twenty characters, dates about twelve.
    void boxWidths()
    {
        ModemWindow& w = *m_window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QFontMetrics metrics = w.Nome[0]->fontMetrics();
        const int twenty = metrics.horizontalAdvance(QString(20, u'0'));
        const int twelve = metrics.horizontalAdvance(QString(12, u'0'));
        for (int i = 0; i < 70; ++i) {
            QVERIFY(textRoom(w.Nome[i]) >= metrics.horizontalAdvance(QStringLiteral("STAZIONE PONTE NORD")));
            QVERIFY(textRoom(w.Telefono[i]) >= twenty);
            QVERIFY(textRoom(w.Telefono[i]) < 2 * twenty);
            QVERIFY(textRoom(w.Scadenza[i]) >= twelve);
            QVERIFY(textRoom(w.Uldata[i]) >= twelve);
            QVERIFY(textRoom(w.Uldata[i]) < twenty);
        }
        QVERIFY(textRoom(w.SERMODEM) >= metrics.horizontalAdvance(QStringLiteral(" 12")));
        QVERIFY(w.SERMODEM->width() < w.Scadenza[0]->width());
        QVERIFY(textRoom(w.Text1) >=
                metrics.horizontalAdvance(QStringLiteral("Modem non presente su questa porta")));
    }

    // Closing only hides the window: it is shown again the next time the operator opens it.
    void closedOnClose()
    {
        QPointer<ModemWindow> window = m_window.get();
        QSignalSpy spy(window.data(), &ModemWindow::closed);
        QVERIFY(spy.isValid());
        for (int round = 1; round <= 2; ++round) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QVERIFY(window->close());
            QCoreApplication::processEvents();
            QVERIFY(!window.isNull());
            QVERIFY(!window->isVisible());
            QCOMPARE(spy.count(), round);
        }
    }

    // Every page fits a 1280x800 screen, each control whole and apart from the others.
    void fitsOnScreen()
    {
        ModemWindow& w = *m_window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.frameGeometry().width() <= kUsableScreen.width());
        QVERIFY(w.frameGeometry().height() <= kUsableScreen.height());
        const QSize minimum = w.minimumSizeHint().expandedTo(w.minimumSize());
        QVERIFY(minimum.width() <= kUsableScreen.width());
        QVERIFY(minimum.height() <= kUsableScreen.height());

        for (const QSize size : {w.size(), minimum}) {
            w.resize(size);
            for (int p = 0; p < 7; ++p) {
                w.showPage(p);
                QCoreApplication::processEvents();
                checkChildren(&w);
                if (QTest::currentTestFailed())
                    return;
                for (QGroupBox* frame : {w.Frame2[p], w.Frame4[p], w.Frame5[p], w.Frame6[p]}) {
                    checkChildren(frame);
                    if (QTest::currentTestFailed())
                        return;
                }
            }
        }
    }

private:
    // The visible children of `parent`, each inside it, at least as large as it needs and covering no other.
    static void checkChildren(QWidget* parent)
    {
        QList<QWidget*> children;
        for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisibleTo(parent))
                children << child;
        }
        QVERIFY(children.size() >= 10);
        for (int i = 0; i < children.size(); ++i) {
            QWidget* child = children.at(i);
            QVERIFY2(parent->rect().contains(child->geometry()), qPrintable(child->objectName()));
            const QSize needed = QWidgetItem(child).minimumSize();
            QVERIFY2(child->width() >= needed.width() && child->height() >= needed.height(),
                     qPrintable(child->objectName()));
            for (int j = i + 1; j < children.size(); ++j) {
                QVERIFY2(!child->geometry().intersects(children.at(j)->geometry()),
                         qPrintable(child->objectName() + QLatin1String(" overlaps ") +
                                    children.at(j)->objectName()));
            }
        }
    }

    std::unique_ptr<ModemWindow> m_window;
};

QTEST_MAIN(ModemWindowTest)
#include "ui_modem_window_test.moc"
