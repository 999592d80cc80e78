// tvservice NAME SOURCE TARGET...: follows the changes of SOURCE and repeats them on every
// TARGET until SIGTERM or SIGINT. The service layer starts it detached and stops it by signal.
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "base/StringTable.h"
#include "live/LiveSettings.h"
#include "live/RealTimeService.h"
#include "live/ServiceLog.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/LanguageFiles.h"
#include "platform/Profile.h"
#include "uimodel/Languages.h"

namespace {

constexpr int kUsageError = 2;

int RunService(const std::string& name, const std::string& source,
               const std::vector<std::string>& targets) {
    tv::IFileSystem& fs = tv::LocalFileSystem();
    std::ostringstream languageWarnings;
    const std::string noLanguage = tv::UseChosenLanguage(fs, tv::CProfile(fs), languageWarnings);
    std::string warning;
    tv::CLiveSettings settings = tv::MakeLiveSettings(fs, name, source, targets, warning);
    tv::CServiceLog log(fs);
    if (int error = log.Open(tv::ServiceLogPath(settings)); error != 0) {
        std::cerr << "tvservice: " << tv::ServiceLogPath(settings) << ": "
                  << tv::SystemErrorText(error) << '\n';
    }
    for (const std::string& line : {languageWarnings.str(), noLanguage, warning}) {
        if (!line.empty()) {
            log.Line(line.ends_with('\n') ? line.substr(0, line.size() - 1) : line);
        }
    }
    tv::CRealTimeService service(settings, fs, log);
    // Before the service's threads start, so that the signals reach the catcher only.
    tv::CSignalCatcher catcher([&service] { service.Stop(); });
    return service.Run() == tv::LiveEnd::Stopped ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // The language file holds the windows' lines too; without their built-in texts they would
    // be refused.
    tv::AddProgramStrings();
    if (argc < 4) {
        std::cerr << tv::LoadString(tv::IDS_LIVE_USAGE) << '\n';
        return kUsageError;
    }
    for (int i = 1; i < argc; ++i) {
        if (*argv[i] == '\0') {
            std::cerr << tv::LoadString(tv::IDS_LIVE_USAGE) << '\n';
            return kUsageError;
        }
    }
    return RunService(argv[1], argv[2], std::vector<std::string>(argv + 3, argv + argc));
}
