#include "platform/Shutdown.h"

#include <cstdlib>
#include <string>

#include "platform/Process.h"

namespace tv {

bool ShutDownComputer() {
    const char* command = std::getenv("TWINVALE_SHUTDOWN_CMD");
    if (command && *command) {
        int status = -1;
        return RunCommandLine(command, {}, ProgramWait::Wait, &status) && status == 0;
    }
    return RunProgram({"systemctl", "poweroff"}) == 0;
}

}  // namespace tv
