// tvservice NAME SOURCE TARGET...: follows the changes of SOURCE and repeats them on every
// TARGET until SIGTERM or SIGINT. The service layer starts it detached and stops it by signal.
#include <iostream>
#include <string>
#include <vector>

#include "base/StringTable.h"
#include "live/LiveSettings.h"
#include "live/RealTimeService.h"
#include "live/ServiceLog.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"

namespace {

constexpr int kUsageError = 2;

int RunService(const std::string& name, const std::string& source,
               const std::vector<std::string>& targets) {
    tv::IFileSystem& fs = tv::LocalFileSystem();
    std::string warning;
    tv::CLiveSettings settings = tv::MakeLiveSettings(fs, name, source, targets, warning);
    tv::CServiceLog log(fs);
    if (int error = log.Open(tv::ServiceLogPath(settings)); error != 0) {
        std::cerr << "tvservice: " << tv::ServiceLogPath(settings) << ": "
                  << tv::SystemErrorText(error) << '\n';
    }
    if (!warning.empty()) {
        log.Line(warning);
    }
    tv::CRealTimeService service(settings, fs, log);
    // Before the service's threads start, so that the signals reach the catcher only.
    tv::CSignalCatcher catcher([&service] { service.Stop(); });
    return service.Run() == tv::LiveEnd::Stopped ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
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
