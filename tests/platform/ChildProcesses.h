#pragma once

#include <functional>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace tvtest {

// Runs `body(i)` for i = 0..count-1, each in its own child process and all at the same time;
// true when every child ended normally with status 0.
inline bool RunInChildren(int count, const std::function<bool(int)>& body) {
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            _exit(body(i) ? 0 : 1);
        }
        children.push_back(pid);
    }
    bool ok = true;
    for (pid_t pid : children) {
        int status = 0;
        ok = pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
             WEXITSTATUS(status) == 0 && ok;
    }
    return ok;
}

}  // namespace tvtest
