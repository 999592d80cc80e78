// The real main window over an isolated home, with a source that holds one file to keep and one
// that a "*.tmp" filter leaves behind, and an empty target: what the flows from a settings window
// to a real run start from. Register the window texts before making one.
#pragma once

#include <filesystem>
#include <memory>

#include "app/MirrantApp.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "support/ScriptedDialogs.h"
#include "support/TestEnv.h"
#include "ui/MirrantDlg.h"
#include "uimodel/Languages.h"

namespace tvtest {

struct CSampleWindow {
    CSampleWindow() {
        m_app.Startup();
        m_window = std::make_unique<tv::CMirrantDlg>(m_app, m_dialogs, m_languages);
        m_window->show();
        std::filesystem::create_directories(m_target);
        std::filesystem::create_directories(m_source);
        WriteFile(m_source / "keep.txt", "keep");
        WriteFile(m_source / "scratch.tmp", "scratch");
    }

    CIsolatedHome m_home;
    tv::CProfile m_profile{tv::LocalFileSystem()};
    tv::CMirrantApp m_app{tv::LocalFileSystem(), m_profile};
    CScriptedDialogs m_dialogs;
    tv::CLanguageCatalog m_languages{tv::LocalFileSystem()};
    std::unique_ptr<tv::CMirrantDlg> m_window;
    const std::filesystem::path m_source = m_home.Root() / "src";
    const std::filesystem::path m_target = m_home.Root() / "dst";
};

}  // namespace tvtest
