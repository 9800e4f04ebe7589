#include "ui/colours.h"
#include "ui/modem/modem_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QWidgetItem>

#include <array>
#include <memory>

using stazione::ui::ModemWindow;

namespace {

// A 1280x800 screen less a desktop panel and the window's own title bar and borders.
constexpr QSize kUsableScreen(1280 - 16, 800 - 80);

// The four boxes of a row, in the order of the columns.
std::array<QLineEdit*, 4> rowBoxes(const ModemWindow& window, int row)
{
    return {window.Nome[row], window.Telefono[row], window.Scadenza[row], window.Uldata[row]};
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

} // namespace

class ModemWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { m_window = std::make_unique<ModemWindow>(); }
    void cleanup() { m_window.reset(); }

    // No row is chosen, no dial placed and no call up when the window opens.
    void startStateOfCommands()
    {
        QVERIFY(m_window->Salva->isEnabled());
        QVERIFY(m_window->Scarica_Vai->isEnabled());
        QVERIFY(!m_window->Connetti->isEnabled());
        QVERIFY(!m_window->Interrompi->isEnabled());
        QVERIFY(!m_window->Riprova->isEnabled());
    }

    // The first page shows at start; a page button or showPage() shows one page of ten rows in
    // the same place.
    void showPage()
    {
        ModemWindow& w = *m_window;
        QCOMPARE(visiblePages(w), QList<QGroupBox*>{w.Centraline[0]});
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
                                 (i == row ? stazione::ui::kSelected : stazione::ui::kConfirmed),
                             qPrintable(QStringLiteral("row %1: %2").arg(row).arg(box->objectName())));
                }
            }
        }
        // The status box is not part of the directory.
        QCOMPARE(stazione::ui::backColour(w.Text1), plain);
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
