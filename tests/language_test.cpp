// The language of a run: how it is chosen and remembered, and that the operator's messages and
// Qt's own buttons follow it.

#include "link/messages.h"
#include "link/result.h"
#include "link/typed_values.h"
#include "ui/language.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace stazione;

namespace {

link::Error silentCom3()
{
    link::Error error = link::Error::timedOut("The logger on COM3 did not answer within 10 s.");
    error.comPort = 3;
    error.device = "/dev/ttyUSB0";
    error.waitedMs = 10000;
    return error;
}

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8()); }
    void TearDown() override { ui::installLanguage(ui::kItalian); }

    QTemporaryDir m_config;
};

} // namespace

TEST_F(LanguageTest, TheLocaleGivesItalianOnlyForItalian)
{
    EXPECT_EQ(ui::languageOfLocale("it_IT"), "it");
    EXPECT_EQ(ui::languageOfLocale("it_CH.UTF-8"), "it");
    EXPECT_EQ(ui::languageOfLocale("en_GB"), "en");
    EXPECT_EQ(ui::languageOfLocale("de_DE"), "en");
    EXPECT_EQ(ui::languageOfLocale("C"), "en");
}

TEST_F(LanguageTest, TheCommandLineChoiceWinsAndIsRemembered)
{
    EXPECT_EQ(ui::languageFromArguments({"stazione", "--lang", "en"}), "en");
    EXPECT_EQ(ui::languageFromArguments({"stazione", "--lang=it"}), "it");
    EXPECT_EQ(ui::languageFromArguments({"stazione"}), "");
    QString error;
    EXPECT_EQ(ui::languageFromArguments({"stazione", "--lang", "fr"}, &error), "");
    EXPECT_TRUE(error.contains("fr"));

    EXPECT_EQ(ui::chooseLanguage({"stazione", "--lang", "en"}), "en");
    EXPECT_EQ(ui::chooseLanguage({"stazione"}), "en"); // remembered
    EXPECT_EQ(ui::chooseLanguage({"stazione", "--lang", "it"}), "it");
    EXPECT_EQ(ui::chooseLanguage({"stazione"}), "it");
    QFile remembered(ui::languageFile());
    ASSERT_TRUE(remembered.open(QIODevice::ReadOnly));
    EXPECT_EQ(remembered.readAll(), "it\r\n");
}

TEST_F(LanguageTest, AnUnreadableRememberedChoiceFallsBackToTheLocale)
{
    ASSERT_EQ(ui::chooseLanguage({"stazione", "--lang", "en"}), "en");
    QFile file(ui::languageFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("klingon\r\n");
    file.close();
    EXPECT_EQ(ui::chooseLanguage({"stazione"}), ui::languageOfLocale(QLocale::system().name()));
}

TEST_F(LanguageTest, TheRememberedChoiceIsNeverWrittenThroughALinkNorReadFromAFifo)
{
    QDir().mkpath(QFileInfo(ui::languageFile()).absolutePath());
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("precious.txt");
    QFile precious(target);
    ASSERT_TRUE(precious.open(QIODevice::WriteOnly));
    precious.write("keep me\n");
    precious.close();
    ASSERT_TRUE(QFile::link(target, ui::languageFile()));
    EXPECT_EQ(ui::chooseLanguage({"stazione", "--lang", "en"}), "en");
    EXPECT_FALSE(QFileInfo(ui::languageFile()).isSymLink());
    ASSERT_TRUE(precious.open(QIODevice::ReadOnly));
    EXPECT_EQ(precious.readAll(), "keep me\n");
    precious.close();
    EXPECT_EQ(ui::chooseLanguage({"stazione"}), "en");

    // A fifo without a writer: a plain open would wait for ever before any window.
    ASSERT_TRUE(QFile::remove(ui::languageFile()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(ui::languageFile()).constData(), 0600), 0);
    EXPECT_EQ(ui::chooseLanguage({"stazione"}), ui::languageOfLocale(QLocale::system().name()));
    // Choosing again replaces the fifo with the file.
    EXPECT_EQ(ui::chooseLanguage({"stazione", "--lang", "it"}), "it");
    EXPECT_TRUE(QFileInfo(ui::languageFile()).isFile());
    EXPECT_EQ(ui::chooseLanguage({"stazione"}), "it");
}

TEST_F(LanguageTest, LinkErrorsSpeakTheLanguageOfTheRun)
{
    ASSERT_TRUE(ui::installLanguage(ui::kItalian));
    EXPECT_EQ(link::operatorMessage(silentCom3()), "nessuna risposta da COM3 in 10 s");
    EXPECT_EQ(link::operatorSentence(silentCom3()), "Nessuna risposta da COM3 in 10 s");
    link::Error busy = link::Error::port(link::port_error::kInUse, "COM7 (/dev/ttyUSB0) is in use.");
    busy.comPort = 7;
    busy.device = "/dev/ttyUSB0";
    EXPECT_EQ(link::operatorMessage(busy), "COM7 (/dev/ttyUSB0): porta occupata da un altro programma");
    link::Error denied = busy;
    denied.number = link::port_error::kNoPermission;
    EXPECT_TRUE(
        link::operatorMessage(denied).startsWith("COM7 (/dev/ttyUSB0): permesso negato — aggiungi l'utente "
                                                 "al gruppo dialout (sudo adduser $USER dialout)"));

    ASSERT_TRUE(ui::installLanguage(ui::kEnglish));
    EXPECT_EQ(ui::currentLanguage(), "en");
    EXPECT_EQ(link::operatorMessage(silentCom3()), "no answer from COM3 within 10 s");
    EXPECT_EQ(link::operatorMessage(busy), "COM7 (/dev/ttyUSB0): the port is in use by another program");
    link::Error partial = silentCom3();
    partial.partial = "12";
    EXPECT_EQ(link::operatorMessage(partial), "incomplete reply from COM3 within 10 s (received \"12\")");

    // A file or data error carries the words of the place it arose.
    EXPECT_EQ(link::operatorMessage(link::Error::file("Disco pieno")), "Disco pieno");
}

// A value refused before sending is said in the run's language and without the control's
// internal name, which the windows replace by their own caption.
TEST_F(LanguageTest, ARefusedValueIsSaidInTheLanguageOfTheRun)
{
    ASSERT_TRUE(ui::installLanguage(ui::kEnglish));
    const link::Status comma = link::checkTyped("Nome_Centralina", "POZZO,1");
    ASSERT_FALSE(comma.ok());
    const QString en = link::operatorSentence(comma.error());
    EXPECT_TRUE(en.startsWith("The value contains the comma")) << en.toStdString();
    EXPECT_TRUE(en.contains("Nothing was sent.")) << en.toStdString();
    EXPECT_FALSE(en.contains("Nome_Centralina")) << en.toStdString();
    EXPECT_EQ(comma.error().box, "Nome_Centralina"); // the window still knows which box

    ASSERT_TRUE(ui::installLanguage(ui::kItalian));
    const QString it = link::operatorSentence(link::checkTyped("Nome_Centralina", "POZZO,1").error());
    EXPECT_TRUE(it.startsWith("Il valore contiene la virgola")) << it.toStdString();
    EXPECT_FALSE(it.contains("Nome_Centralina")) << it.toStdString();
}

// A link error's own message is the command line's; the windows say its kind in the run's
// language, with the notes that go with it.
TEST_F(LanguageTest, ALinkErrorsNotesFollowItsWords)
{
    ASSERT_TRUE(ui::installLanguage(ui::kItalian));
    link::Error cut = link::Error::cancelled("The wait for the logger on COM3 was cancelled.");
    cut.comPort = 3;
    cut.notes = "Il file a.txt non è stato cambiato; i dati ricevuti sono in a.txt.part.";
    EXPECT_EQ(link::operatorSentence(cut),
              "Annullato\nIl file a.txt non è stato cambiato; i dati ricevuti sono in a.txt.part.");
    EXPECT_FALSE(link::operatorSentence(cut).contains("wait"));
}

TEST_F(LanguageTest, QtsOwnButtonsFollowTheLanguage)
{
    ASSERT_TRUE(ui::installLanguage(ui::kItalian));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Sì");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Annulla");
    ASSERT_TRUE(ui::installLanguage(ui::kEnglish));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes");
}
