#include "platform/Crontab.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

extern char** environ;

namespace tv {

namespace {

class CCrontabFile : public ICrontab {
  public:
    explicit CCrontabFile(std::string path) : m_strPath(std::move(path)) {}

    bool Read(std::string& text, std::string& error) override {
        CFileError why;
        auto content = ReadWholeFile(LocalFileSystem(), m_strPath, &why);
        if (!content && why.m_nCode == ENOENT) {
            text.clear();
            return true;
        }
        if (!content) {
            error = why.m_strText;
            return false;
        }
        text = std::move(*content);
        return true;
    }
    bool Write(const std::string& text, std::string& error) override {
        return WritePrivateFileAtomically(LocalFileSystem(), m_strPath, text, &error);
    }
    std::string LockPath() const override { return m_strPath + ".lock"; }

  private:
    std::string m_strPath;
};

struct CChildResult {
    int m_nStatus = -1;  // the exit status; -1 when it could not start or was killed
    std::string m_strOutput;
    std::string m_strErrors;
};

void ReadAll(int fd, std::string& into) {
    char buffer[4096];
    for (ssize_t got; (got = read(fd, buffer, sizeof buffer)) != 0;) {
        if (got > 0) {
            into.append(buffer, static_cast<size_t>(got));
        } else if (errno != EINTR) {
            return;
        }
    }
}

void WriteAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        if (put > 0) {
            done += static_cast<size_t>(put);
        } else if (put < 0 && errno != EINTR) {
            return;
        }
    }
}

// The child's messages are matched against "no crontab for", so they must not be translated.
std::vector<char*> UntranslatedEnvironment(std::vector<std::string>& storage) {
    for (char** entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "LC_ALL=", 7) != 0) {
            storage.emplace_back(*entry);
        }
    }
    storage.emplace_back("LC_ALL=C");
    std::vector<char*> env;
    for (std::string& item : storage) {
        env.push_back(item.data());
    }
    env.push_back(nullptr);
    return env;
}

// Runs "crontab ARG" with `input` on its standard input. The child reads its input whole
// before it writes much, and writes little, so the pipes are served one after another.
CChildResult RunCrontab(const char* arg, const std::string& input) {
    CChildResult result;
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        return result;
    }
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        close(in[0]);
        close(in[1]);
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::string program = "crontab";
    std::string argument = arg;
    char* argv[] = {program.data(), argument.data(), nullptr};
    std::vector<std::string> storage;
    std::vector<char*> env = UntranslatedEnvironment(storage);
    pid_t pid = 0;
    const bool started = posix_spawnp(&pid, "crontab", &actions, nullptr, argv, env.data()) == 0;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(err[1]);
    if (started) {
        WriteAll(in[1], input);
    }
    close(in[1]);
    if (started) {
        ReadAll(out[0], result.m_strOutput);
        ReadAll(err[0], result.m_strErrors);
    }
    close(out[0]);
    close(err[0]);
    if (!started) {
        return result;
    }
    int status = 0;
    pid_t got;
    do {
        got = waitpid(pid, &status, 0);
    } while (got < 0 && errno == EINTR);
    if (got == pid && WIFEXITED(status)) {
        result.m_nStatus = WEXITSTATUS(status);
    }
    return result;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

class CUserCrontab : public ICrontab {
  public:
    bool Read(std::string& text, std::string& error) override {
        CChildResult child = RunCrontab("-l", {});
        if (child.m_nStatus == 0) {
            text = std::move(child.m_strOutput);
            return true;
        }
        if (child.m_nStatus > 0 && child.m_strErrors.rfind("no crontab for", 0) == 0) {
            text.clear();
            return true;
        }
        error = child.m_strErrors.empty() ? "the program crontab could not be run"
                                          : FirstLine(child.m_strErrors);
        return false;
    }
    bool Write(const std::string& text, std::string& error) override {
        const CChildResult child = RunCrontab("-", text);
        if (child.m_nStatus == 0) {
            return true;
        }
        error = child.m_strErrors.empty() ? "the program crontab could not be run"
                                          : FirstLine(child.m_strErrors);
        return false;
    }
    std::string LockPath() const override { return XdgStateHome() + "/Twinvale/crontab.lock"; }
};

}  // namespace

std::unique_ptr<ICrontab> OpenCrontabFile(const std::string& path) {
    return std::make_unique<CCrontabFile>(path);
}

std::unique_ptr<ICrontab> OpenUserCrontab() {
    const char* file = std::getenv("TWINVALE_CRONTAB_FILE");
    if (file && *file) {
        return OpenCrontabFile(file);
    }
    return std::make_unique<CUserCrontab>();
}

}  // namespace tv
