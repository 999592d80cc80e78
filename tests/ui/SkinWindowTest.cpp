// Skins on the real main window: the shipped skin is a style sheet Qt takes without complaint,
// Load skin and Unload skin change every window's look at once, and a stored skin is worn from
// the start.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>

#include <filesystem>

#include "SampleWindow.h"
#include "platform/ProfileKeys.h"
#include "uimodel/MainWindowStrings.h"

namespace {

namespace fs = std::filesystem;

const fs::path kShippedSkin = fs::path(TWINVALE_SOURCE_DIR) / "share/skins/Dark.qss";

// The messages Qt gives while the windows are drawn.
std::vector<std::string> g_qtMessages;

void KeepMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    g_qtMessages.push_back(text.toStdString());
}

QAction* Action(QWidget& window, const char* name) {
    auto* action = window.findChild<QAction*>(name);
    EXPECT_NE(action, nullptr) << name;
    return action;
}

class SkinWindow : public ::testing::Test {
  protected:
    SkinWindow() { tv::AddMainWindowStrings(); }
    ~SkinWindow() override { qApp->setStyleSheet({}); }
};

TEST_F(SkinWindow, TheShippedSkinIsWornAndTakenOffThroughTheViewMenu) {
    tvtest::CSampleWindow sample;
    tv::CMirrantDlg& window = *sample.m_window;
    for (const char* name :
         {"loadSkinAction", "unloadSkinAction", "webPageAction", "checkVersionAction"}) {
        ASSERT_TRUE(Action(window, name)->isEnabled()) << name;
    }

    sample.m_dialogs.m_files.push_back(kShippedSkin.string());
    g_qtMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(KeepMessage);
    Action(window, "loadSkinAction")->trigger();
    window.repaint();
    QApplication::processEvents();
    qInstallMessageHandler(previous);
    EXPECT_EQ(g_qtMessages, std::vector<std::string>{}) << "Qt could not parse the skin";
    EXPECT_EQ(qApp->styleSheet().toStdString(), tvtest::ReadFile(kShippedSkin));
    auto* button = window.findChild<QPushButton*>("syncButton");
    EXPECT_EQ(button->palette().color(QPalette::Button).name(), "#30353d") << "not worn";
    EXPECT_EQ(sample.m_profile.GetProfileString(tv::profkey::kAppSection, tv::profkey::kSkin),
              kShippedSkin.string());

    Action(window, "unloadSkinAction")->trigger();
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    EXPECT_EQ(sample.m_profile.GetProfileString(tv::profkey::kAppSection, tv::profkey::kSkin), "");
}

TEST_F(SkinWindow, AStoredSkinIsWornFromTheStart) {
    tvtest::CIsolatedHome home;
    tv::CProfile profile(tv::LocalFileSystem());
    profile.WriteProfileString(tv::profkey::kAppSection, tv::profkey::kSkin, kShippedSkin.string());
    tv::CMirrantApp app(tv::LocalFileSystem(), profile);
    app.Startup();
    tvtest::CScriptedDialogs dialogs;
    tv::CLanguageCatalog languages(tv::LocalFileSystem());
    tv::CMirrantDlg window(app, dialogs, languages);
    EXPECT_EQ(qApp->styleSheet().toStdString(), tvtest::ReadFile(kShippedSkin));
    EXPECT_TRUE(dialogs.m_asked.empty());
}

}  // namespace
