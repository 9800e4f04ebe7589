// The modem window and the web report: the stations' marks show their open alerts, and "Rapporto
// di rete" opens the report, made again only when the collection or the alerts are newer.

#include "link/timing.h"
#include "modem/collection.h"
#include "modem/stations.h"
#include "network/alerts.h"
#include "network/network_status.h"
#include "network/site_report.h"
#include "support/files.h"
#include "support/program.h"
#include "support/synthetic_network.h"
#include "ui/modem/modem_handlers.h"
#include "ui/modem/modem_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace stazione;

class NetworkReportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { link::setTimeScale(0.05); }

    void marksShowAlertsAndTheButtonOpensTheReport()
    {
        testing::SimBench bench; // a private settings folder
        QTemporaryDir data;
        synthetic::SyntheticNetwork network;
        QVERIFY(synthetic::writeSyntheticNetwork(data.path(), network));
        QByteArray directory;
        for (int row = 1; row <= network.stations; ++row)
            directory +=
                synthetic::syntheticName(row).toUtf8() + "\r\n0471" + QByteArray::number(row) + "\r\n\r\n";
        testing::write(modem::stationsFile(), directory);
        const QString report = QDir(data.path()).filePath(data::kReportFileName);
        data::AlertRules rules;
        rules.battery = 11.5;
        rules.failures = 3;
        auto network0 = data::readNetwork(report);
        QVERIFY(network0.ok());
        QVERIFY(data::updateAlerts(QDir(data.path()).filePath(data::kAlertsFileName), *network0, rules,
                                   QDateTime::currentDateTime())
                    .ok());
        modem::rememberReport(report);

        testing::Program p;
        p.app.modem().open();
        ui::ModemWindow& w = p.app.modemWindow();
        auto colour = [&](int row) { return w.Raccolta[row]->palette().color(QPalette::Window); };
        // Station 2 answered with a sinking battery; station 4 failed three nights; station 1 is well.
        QCOMPARE(colour(0), QColor(0, 176, 0));
        QCOMPARE(colour(1), QColor(255, 128, 0));
        QVERIFY2(w.Raccolta[1]->toolTip().contains("Allarme: batteria 10.9 V, sotto 11.5 V"),
                 qPrintable(w.Raccolta[1]->toolTip()));
        QCOMPARE(colour(3), QColor(255, 0, 0));
        QVERIFY(w.Raccolta[3]->toolTip().contains("Allarme: 3 raccolte fallite di fila"));
        QVERIFY(!w.Raccolta[0]->toolTip().contains("Allarme"));

        if (qEnvironmentVariableIsSet("STAZIONE_SCREENSHOTS")) {
            w.Raccolta[1]->setAttribute(Qt::WA_AlwaysShowToolTips);
            w.grab().save(qEnvironmentVariable("STAZIONE_SCREENSHOTS") + "/modem_rapporto.png");
        }
        QStringList opened;
        p.app.modem().openPage = [&opened](const QString& path) {
            opened << path;
            return true;
        };
        const QString site = QDir(data.path()).filePath("sito");
        w.Rapporto->click();
        QCOMPARE(opened, QStringList{site + "/index.html"});
        QFile page(site + "/index.html");
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString index = QString::fromUtf8(page.readAll());
        QCOMPARE(index.count("<li class=\"alert\""), 2);
        // Nothing newer: the same site is opened again, not made again.
        // (Marked in a file the site has: a site holding any other file is never replaced.)
        testing::write(site + "/index.html", "x");
        w.Rapporto->click();
        QCOMPARE(opened.size(), 2);
        QCOMPARE(testing::contents(site + "/index.html"), QByteArray("x"));
        // A collection since: made again.
        QFile touched(report);
        QVERIFY(touched.open(QIODevice::Append));
        QVERIFY(
            touched.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        touched.close();
        w.Rapporto->click();
        QCOMPARE(opened.size(), 3);
        QVERIFY(testing::contents(site + "/index.html").startsWith("<!DOCTYPE html>"));
        w.close();
    }
};

QTEST_MAIN(NetworkReportTest)
#include "ui_network_report_test.moc"
