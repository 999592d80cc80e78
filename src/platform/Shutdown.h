#pragma once

namespace tv {

// Shuts the computer down: runs the command line in $TWINVALE_SHUTDOWN_CMD through the shell
// when that is set and not empty (tests always set it), else "systemctl poweroff". True when
// the command ended with status 0. Blocks until the command has ended; any thread.
bool ShutDownComputer();

}  // namespace tv
