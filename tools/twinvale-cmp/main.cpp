// twinvale-cmp [/i] (/s:FOLDER | /l... switches) (/d:FOLDER | /r... switches) [/pwfd:N]:
// shows the two sides side by side. The passwords come on descriptor N when it is named.
#include <QApplication>
#include <QMessageBox>
#include <string>
#include <vector>

#include "base/StringTable.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/Profile.h"
#include "ui/CompareWnd.h"
#include "ui/QtDialogs.h"
#include "uimodel/CompareArgs.h"
#include "uimodel/CompareStrings.h"
#include "uimodel/Languages.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    tv::AddProgramStrings();
    tv::CProfile profile(tv::LocalFileSystem());
    tv::UseMainProgramLanguage(tv::LocalFileSystem(), profile);
    const std::vector<std::string> args(argv + 1, argv + argc);
    tv::CCompareArgs compare;
    std::string bad;
    if (!tv::ParseCompareArgs(args, compare, bad)) {
        QMessageBox::warning(nullptr, QString::fromStdString(tv::LoadString(tv::IDS_CMP_CAPTION)),
                             QString::fromStdString(tv::FormatText(
                                 tv::LoadString(tv::IDS_CMP_BAD_SWITCH).c_str(), bad.c_str())));
        return 2;
    }
    if (compare.m_nSecretFd >= 0) {
        tv::AddCompareSecrets(tv::ReadDescriptor(compare.m_nSecretFd), compare);
    }
    tv::CQtDialogs dialogs;
    tv::CCompareWnd window(compare, tv::LocalFileSystem(), dialogs);
    dialogs.SetParent(&window);
    window.show();
    window.Refresh();
    return app.exec();
}
