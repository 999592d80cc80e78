// The FTP dialog on the offscreen platform: a target made an FTP site from the main window
// and kept through the task list file, the dialog's enabling and its keyboard, and the
// password question that a run asks from its worker thread.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <thread>

#include "EventPump.h"
#include "Mnemonics.h"
#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "ui/FtpDlg.h"
#include "ui/FtpDlgHelpers.h"
#include "ui/MirrantDlg.h"
#include "ui/QtDialogs.h"
#include "ui/QtRunViews.h"
#include "uimodel/DialogStrings.h"
#include "uimodel/FtpDialogModel.h"
#include "uimodel/FtpDialogStrings.h"
#include "uimodel/Languages.h"
#include "uimodel/MainWindowStrings.h"
#include "uimodel/RunWindowStrings.h"

namespace {

namespace fs = std::filesystem;
using tvtest::ExpectDistinctMnemonics;
using tvtest::PumpUntil;

template <typename T>
T* Child(QWidget& parent, const char* name) {
    auto* child = parent.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Runs `act` on the modal dialog of type T as soon as it shows, inside its own loop.
template <typename T>
void WhenShown(QTimer& timer, std::function<void(T&)> act) {
    QObject::connect(&timer, &QTimer::timeout, [&timer, act] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<T*>(window);
            if (dialog && dialog->isVisible()) {
                timer.stop();
                act(*dialog);
                return;
            }
        }
    });
    timer.start(20);
}

void ClickOk(QDialog& dialog) {
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

void TypeInto(QWidget& dialog, const char* name, const QString& text) {
    auto* edit = Child<QLineEdit>(dialog, name);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

void ClickBox(QAbstractButton* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

class FtpWindow : public ::testing::Test {
  protected:
    FtpWindow() : m_app(tv::LocalFileSystem(), m_profile) {
        tv::AddMainWindowStrings();
        tv::AddRunWindowStrings();
        tv::AddDialogStrings();
        tv::AddFtpDialogStrings();
        m_app.Startup();
    }
    ~FtpWindow() override { tv::ResetLanguage(); }

    tvtest::CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
    tv::CMirrantApp m_app;
    tvtest::CScriptedDialogs m_dialogs;
};

TEST_F(FtpWindow, ATargetMadeAnFtpSiteIsSavedAndOpenedAgain) {
    tv::CLanguageCatalog languages(tv::LocalFileSystem());
    tv::CMirrantDlg window(m_app, m_dialogs, languages);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(Child<QPushButton>(window, "newTaskButton"), Qt::LeftButton);
    const fs::path source = m_home.Root() / "photos";
    fs::create_directories(source);
    QTest::keyClicks(Child<QLineEdit>(window, "sourceEdit"), QString::fromStdString(source));

    QTimer actor;
    bool filled = false;
    WhenShown<tv::CFTPDialog>(actor, [&](tv::CFTPDialog& dialog) {
        TypeInto(dialog, "siteName", "Backup site");
        TypeInto(dialog, "host", "nas.local");
        auto* port = Child<QSpinBox>(dialog, "port");
        port->selectAll();
        QTest::keyClicks(port, "2121");
        TypeInto(dialog, "user", "ann");
        TypeInto(dialog, "password", "s3cret");
        TypeInto(dialog, "initialDir", "/backup/photos//");
        filled = true;
        ClickOk(dialog);
    });
    QTest::mouseClick(Child<QPushButton>(window, "ftpTarget"), Qt::LeftButton);
    ASSERT_TRUE(filled);
    EXPECT_EQ(Child<QLineEdit>(window, "targetEdit")->text(), "(FTP)Backup site");

    const std::string list = (m_home.Root() / "sites").string();
    m_dialogs.m_files.push_back(list);
    ASSERT_TRUE(window.Presenter().Save());
    window.Presenter().NewList();
    ASSERT_TRUE(window.Presenter().OpenListFile(list + ".tsl"));
    ASSERT_EQ(window.Presenter().List().RowCount(), 1);
    EXPECT_EQ(Child<QLineEdit>(window, "targetEdit")->text(), "(FTP)Backup site");
    const tv::CElement& task = window.Presenter().List().Task(0);
    ASSERT_EQ(task.m_Targets.size(), 1u);
    const tv::CTag& site = task.m_Targets[0];
    EXPECT_EQ(site.m_strPath, "");
    EXPECT_EQ(site.m_bIsFtp, 1);
    EXPECT_EQ(site.m_strHost, "ftp://nas.local");
    EXPECT_EQ(site.m_nPort, 2121);
    EXPECT_EQ(site.m_strUser, "ann");
    EXPECT_EQ(site.m_strPassword, "s3cret");
    EXPECT_EQ(site.m_strRemoteDir, "/backup/photos");
    EXPECT_EQ(task.m_Source.m_strPath, source.string());
}

TEST_F(FtpWindow, EveryWindowHasItsOwnKeysInEachLanguage) {
    for (const char* language : {"English", "German"}) {
        SCOPED_TRACE(language);
        const fs::path part = fs::path(TWINVALE_SOURCE_DIR) / "lang" / language / "ftp.lang";
        ASSERT_TRUE(tv::LoadLanguageFile(tv::LocalFileSystem(), part.string()));
        tv::CFtpDialogModel model{tv::CTag()};
        tv::CFTPDialog ftp(model, m_dialogs, tv::LocalFileSystem());
        ExpectDistinctMnemonics(ftp, 18);
        tv::CAdvFTP connection(model);
        ExpectDistinctMnemonics(connection, 4);
        tv::CFTPPswDlg password("(FTP)nas");
        EXPECT_EQ(Child<QLineEdit>(password, "password")->echoMode(), QLineEdit::Password);
        tv::CCertificateFields fields = tv::NewCertificateFields(1'700'000'000);
        tv::CCertificateDlg certificate(fields);
        ExpectDistinctMnemonics(certificate, 9);
    }
}

TEST_F(FtpWindow, TheDialogEnablesWhatTheProtocolProxyAndChecksAllow) {
    tv::CTag start;
    start.m_nPort = 0;
    tv::CFtpDialogModel model(start);
    tv::CFTPDialog dialog(model, m_dialogs, tv::LocalFileSystem());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const auto enabled = [&](const char* name) {
        return Child<QWidget>(dialog, name)->isEnabled();
    };
    for (const char* name : {"keyFile", "certificateFile", "proxyAddress", "proxyPassword",
                             "timeZoneHours", "transferType", "generateKey", "createCertificate"}) {
        EXPECT_FALSE(enabled(name)) << name;
    }
    EXPECT_EQ(Child<QLineEdit>(dialog, "password")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Child<QLineEdit>(dialog, "proxyPassword")->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(Child<QPushButton>(dialog, "generateKey")->toolTip().isEmpty());

    auto* protocol = Child<QComboBox>(dialog, "protocol");
    protocol->setFocus();
    QTest::keyClick(protocol, Qt::Key_Down);  // SFTP
    EXPECT_TRUE(enabled("keyFile"));
    EXPECT_TRUE(enabled("generateKey"));
    EXPECT_FALSE(enabled("certificateFile"));
    EXPECT_FALSE(enabled("createCertificate"));
    QTest::keyClick(protocol, Qt::Key_Down);  // FTPSnodata
    EXPECT_TRUE(enabled("certificateFile"));
    EXPECT_TRUE(enabled("createCertificate"));
    QTest::keyClick(Child<QComboBox>(dialog, "proxyType"), Qt::Key_Down);
    EXPECT_TRUE(enabled("proxyAddress"));
    EXPECT_TRUE(enabled("proxyPassword"));
    ClickBox(Child<QCheckBox>(dialog, "manualTimeZone"));
    EXPECT_TRUE(enabled("timeZoneHours"));

    m_dialogs.m_files.push_back("/home/ann/keys/nas.pem");
    QTest::mouseClick(Child<QPushButton>(dialog, "keyFileBrowse"), Qt::LeftButton);
    EXPECT_EQ(Child<QLineEdit>(dialog, "keyFile")->text(), "/home/ann/keys/nas.pem");

    // The connection settings: Cancel forgets them, OK brings them into the FTP dialog.
    QTimer canceler;
    WhenShown<tv::CAdvFTP>(canceler, [](tv::CAdvFTP& settings) {
        ClickBox(Child<QCheckBox>(settings, "ownSettings"));
        settings.reject();
    });
    QTest::mouseClick(Child<QPushButton>(dialog, "advancedButton"), Qt::LeftButton);
    EXPECT_EQ(model.Values().m_bOwnConnectSettings, 0);
    QTimer actor;
    WhenShown<tv::CAdvFTP>(actor, [](tv::CAdvFTP& settings) {
        EXPECT_FALSE(Child<QSpinBox>(settings, "retries")->isEnabled());
        ClickBox(Child<QCheckBox>(settings, "ownSettings"));
        auto* retries = Child<QSpinBox>(settings, "retries");
        EXPECT_TRUE(retries->isEnabled());
        retries->selectAll();
        QTest::keyClicks(retries, "3");
        ClickOk(settings);
    });
    QTest::mouseClick(Child<QPushButton>(dialog, "advancedButton"), Qt::LeftButton);
    EXPECT_TRUE(enabled("transferType"));
    EXPECT_EQ(Child<QComboBox>(dialog, "transferType")->currentText(), "BINARY");

    TypeInto(dialog, "host", " FTP:/nas ");
    ClickOk(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const tv::CTag& values = model.Values();
    EXPECT_EQ(values.m_nProtocol, static_cast<int>(tv::FtpProtocol::FtpsNoData));
    EXPECT_EQ(values.m_nProxyType, static_cast<int>(tv::FtpProxyType::Socks4));
    EXPECT_EQ(values.m_bManualTimeZone, 1);
    EXPECT_EQ(values.m_strKeyFile, "/home/ann/keys/nas.pem");
    EXPECT_EQ(values.m_nConnectRetries, 3);
    EXPECT_EQ(values.m_nTransferType, static_cast<uint32_t>(tv::FtpTransferType::Binary));
    EXPECT_EQ(values.m_strHost, "ftp://nas");
}

// The key pair and the certificate that the dialog's buttons make are checked by the tools that
// will read them; an existing key survives a "No", and a certificate needs a key first.
TEST_F(FtpWindow, GenerateAndSaveMakesAKeyPairAndCreateACertificateForIt) {
    tv::CTag start;
    start.m_nProtocol = static_cast<int>(tv::FtpProtocol::FtpsWithData);
    start.m_strUser = "ann";
    start.m_strHost = "ftp://nas.local";
    tv::CFtpDialogModel model(start);
    tv::CFTPDialog dialog(model, m_dialogs, tv::LocalFileSystem());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    QTest::mouseClick(Child<QPushButton>(dialog, "createCertificate"), Qt::LeftButton);
    ASSERT_EQ(m_dialogs.m_asked.size(), 1u);
    EXPECT_EQ(m_dialogs.m_asked.back(), "Key must be created.");

    const std::string key = (m_home.Root() / "nas_key").string();
    m_dialogs.m_files.push_back(key);  // the key file field is empty: a name is asked for
    QTest::mouseClick(Child<QPushButton>(dialog, "generateKey"), Qt::LeftButton);
    EXPECT_EQ(Child<QLineEdit>(dialog, "keyFile")->text().toStdString(), key);
    EXPECT_NE(m_dialogs.m_asked.back().find(key + ".pub"), std::string::npos);
    EXPECT_EQ(fs::status(key).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    const std::string pub = tvtest::ReadFile(key + ".pub");
    EXPECT_TRUE(pub.ends_with(" ann@nas.local\n")) << pub;
    const std::string derived = "ssh-keygen -y -f '" + key + "' > '" + key + ".derived'";
    ASSERT_EQ(std::system(derived.c_str()), 0);
    EXPECT_EQ(tvtest::ReadFile(key + ".derived"), pub);

    m_dialogs.m_answers.push_back(tv::PromptAnswer::No);  // keep the key the server knows
    QTest::mouseClick(Child<QPushButton>(dialog, "generateKey"), Qt::LeftButton);
    EXPECT_EQ(tvtest::ReadFile(key + ".pub"), pub);

    const std::string cert = (m_home.Root() / "nas.cer").string();
    m_dialogs.m_files.push_back(cert);
    QTimer actor;
    WhenShown<tv::CCertificateDlg>(actor, [](tv::CCertificateDlg& fields) {
        auto edits = fields.findChildren<QLineEdit*>();
        edits[0]->setText("Ann's backup");  // owner name
        edits[1]->setText("DE");
        ClickOk(fields);
    });
    QTest::mouseClick(Child<QPushButton>(dialog, "createCertificate"), Qt::LeftButton);
    EXPECT_EQ(Child<QLineEdit>(dialog, "certificateFile")->text().toStdString(), cert);
    const std::string verify = "openssl verify -CAfile '" + cert + "' '" + cert + "' >/dev/null";
    EXPECT_EQ(std::system(verify.c_str()), 0);
    ClickOk(dialog);
    EXPECT_EQ(model.Values().m_strKeyFile, key);
    EXPECT_EQ(model.Values().m_strCertificateFile, cert);
}

// A worker waits for the answer; after Detach nobody is asked and the answer is "none".
TEST_F(FtpWindow, ARunAsksForThePasswordOnTheGuiThread) {
    class CBoard : public tv::IRunBoard {
      public:
        bool SeveralStarted() const override { return false; }
        bool ShutdownPending() const override { return false; }
        void SetShutdownPending(bool) override {}
    } board;
    tv::CQtRunViews views(board, m_profile);
    tv::CElement task;
    const auto ask = [&] {
        std::optional<std::optional<std::string>> answer;
        std::thread worker([&] { answer = views.Prompter(task).FtpPassword("(FTP)nas"); });
        EXPECT_TRUE(PumpUntil([&] { return answer.has_value(); }));
        worker.join();
        return answer.value_or(std::nullopt);
    };
    QTimer typist;
    WhenShown<tv::CFTPPswDlg>(typist, [](tv::CFTPPswDlg& prompt) {
        EXPECT_EQ(Child<QLabel>(prompt, "site")->text(), "(FTP)nas");
        TypeInto(prompt, "password", "open sesame");
        ClickOk(prompt);
    });
    EXPECT_EQ(ask(), std::optional<std::string>("open sesame"));
    QTimer canceler;
    WhenShown<tv::CFTPPswDlg>(canceler, [](tv::CFTPPswDlg& prompt) { prompt.reject(); });
    EXPECT_EQ(ask(), std::nullopt);
    views.Detach();
    EXPECT_EQ(ask(), std::nullopt);
}

}  // namespace
