#include <dirent.h>
#include <libburn/libburn.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/DiscImage.h"
#include "platform/DiscRecorder.h"

namespace tv {

namespace {

using namespace burn;

constexpr auto kPoll = std::chrono::milliseconds(100);
constexpr auto kProgressEvery = std::chrono::seconds(1);
constexpr char kStdio[] = "stdio:";
constexpr int kSectorBytes = 2048;
// Enough for the drive's fifo to ride out a slow file.
constexpr int kFifoChunks = 2048;

// libburn holds its drives process-wide; one operation at a time keeps two from taking the same
// drive.
std::mutex g_turn;

char* Mutable(const char* text) {
    return const_cast<char*>(text);
}

void InitLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        burn_initialize();
        burn_msgs_set_severities(Mutable("ALL"), Mutable("NEVER"), Mutable(""));
        InitImageLibrary();
    });
}

// What libburn and libisofs said since the last call, at least as grave as `severity`.
std::string TakeMessages(const char* severity) {
    std::string text = TakeImageMessages(severity);
    char message[BURN_MSGS_MESSAGE_LEN];
    char grade[80];
    int code = 0;
    int osErrno = 0;
    while (burn_msgs_obtain(Mutable(severity), &code, message, &osErrno, grade) > 0) {
        text += (text.empty() ? "" : "; ") + std::string(message);
    }
    return text;
}

// A drive taken for one operation, let go (and ejected when asked) on destruction.
class CHeldDrive {
  public:
    explicit CHeldDrive(const std::string& address) {
        InitLibraries();
        TakeMessages("NEVER");
        std::string copy = address;
        if (burn_drive_scan_and_grab(&m_info, copy.data(), 1) <= 0 || !m_info) {
            m_info = nullptr;
        }
    }
    ~CHeldDrive() {
        if (m_info) {
            burn_drive_release(m_info[0].drive, m_bEject ? 1 : 0);
            burn_drive_info_free(m_info);
        }
    }
    CHeldDrive(const CHeldDrive&) = delete;
    CHeldDrive& operator=(const CHeldDrive&) = delete;

    bool Held() const { return m_info != nullptr; }
    burn_drive* Drive() const { return m_info[0].drive; }
    void EjectOnRelease() { m_bEject = true; }

  private:
    burn_drive_info* m_info = nullptr;
    bool m_bEject = false;
};

std::string Reason(const char* fallback) {
    const std::string said = TakeMessages("SORRY");
    return said.empty() ? fallback : said;
}

// Waits until the drive is idle again, passing what it reports on to `onProgress` about once
// a second.
void WaitIdle(burn_drive* drive, const std::function<void(const burn_progress&)>& onProgress) {
    while (burn_drive_get_status(drive, nullptr) == BURN_DRIVE_SPAWNING) {
        std::this_thread::sleep_for(kPoll);
    }
    auto next = std::chrono::steady_clock::now() + kProgressEvery;
    burn_progress progress{};
    while (burn_drive_get_status(drive, &progress) != BURN_DRIVE_IDLE) {
        if (onProgress && std::chrono::steady_clock::now() >= next) {
            onProgress(progress);
            next += kProgressEvery;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

bool Writable(burn_disc_status status) {
    return status == BURN_DISC_BLANK || status == BURN_DISC_APPENDABLE;
}

// Turns libburn's sector counts into a percentage and a speed between two reports.
class CProgressMeter {
  public:
    explicit CProgressMeter(const BurnProgressFn& report) : m_report(report) {}

    void operator()(burn_drive* drive, const burn_progress& p) {
        if (!m_report || m_bCanceled) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        const double seconds = std::chrono::duration<double>(now - m_last).count();
        CBurnProgress shown;
        shown.m_nPercent = p.sectors > 0 ? static_cast<int>(100LL * p.sector / p.sectors) : 0;
        if (seconds > 0 && p.sector >= m_lastSector) {
            const double bytes = static_cast<double>(p.sector - m_lastSector) * kSectorBytes;
            shown.m_nKiloBytesPerSecond = static_cast<int>(bytes / 1024 / seconds);
        }
        m_last = now;
        m_lastSector = p.sector;
        if (!m_report(shown)) {
            m_bCanceled = true;
            burn_drive_cancel(drive);
        }
    }
    // The whole burn at its average speed.
    void Finish(int sectors) {
        if (!m_report || m_bCanceled) {
            return;
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        const double bytes = static_cast<double>(sectors) * kSectorBytes;
        m_report({100, seconds > 0 ? static_cast<int>(bytes / 1024 / seconds) : 0});
    }
    bool Canceled() const { return m_bCanceled; }

  private:
    const BurnProgressFn& m_report;
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_last = m_start;
    int m_lastSector = 0;
    bool m_bCanceled = false;
};

bool WriteImage(burn_drive* drive, burn::burn_source* image, const BurnProgressFn& report,
                std::string& error) {
    burn::burn_source* fifo = burn_fifo_source_new(image, kSectorBytes, kFifoChunks, 0);
    burn_disc* disc = burn_disc_create();
    burn_session* session = burn_session_create();
    burn_track* track = burn_track_create();
    burn_disc_add_session(disc, session, BURN_POS_END);
    burn_track_define_data(track, 0, 0, 1, BURN_MODE1);
    burn_track_set_source(track, fifo);
    burn_session_add_track(session, track, BURN_POS_END);
    burn_write_opts* opts = burn_write_opts_new(drive);
    burn_write_opts_set_perform_opc(opts, 0);
    burn_write_opts_set_multi(opts, 0);
    burn_write_opts_set_simulate(opts, 0);
    burn_write_opts_set_underrun_proof(opts, 1);
    // An image file is renamed into place once written: one flush at its end makes it durable
    // before that, and the ones every 16 MB on the way would only slow the burn.
    burn_write_opts_set_stdio_fsync(opts, 1);
    char reasons[BURN_REASONS_LEN] = {};
    bool ok = burn_write_opts_auto_write_type(opts, disc, reasons, 0) != BURN_WRITE_NONE;
    CProgressMeter meter(report);
    if (!ok) {
        error = reasons;
    } else {
        burn_disc_write(opts, disc);
        WaitIdle(drive, [&](const burn_progress& p) { meter(drive, p); });
        ok = burn_drive_wrote_well(drive) && !meter.Canceled();
        if (!ok) {
            error = meter.Canceled() ? "canceled" : Reason("the drive did not write the disc");
        } else if (error = TakeMessages("MISHAP"); !error.empty()) {
            // A file that could not be read has ended the image, though the drive wrote the rest.
            ok = false;
        } else {
            meter.Finish(burn_track_get_sectors(track));
        }
    }
    burn_write_opts_free(opts);
    burn_track_free(track);
    burn_session_free(session);
    burn_disc_free(disc);
    burn_source_free(fifo);
    return ok;
}

// An image file is written under a name of its own beside the old one, so that a failed burn
// leaves the old image as it was.
constexpr char kScratchMark[] = ".burning";

std::string ScratchPrefix(const std::string& imagePath) {
    const size_t slash = imagePath.rfind('/');
    return imagePath.substr(0, slash + 1) + "." + imagePath.substr(slash + 1) + kScratchMark;
}

// The scratch image of a burn that was killed is gigabytes in the user's folder: the next burn
// of that image removes it, unless its writer still lives.
void RemoveStaleScratch(const std::string& imagePath) {
    const std::string prefix = ScratchPrefix(imagePath);
    const size_t slash = prefix.rfind('/');
    const std::string folder = prefix.substr(0, slash);
    const std::string start = prefix.substr(slash + 1);
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        return;
    }
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(start, 0) != 0) {
            continue;
        }
        const long pid = std::strtol(name.c_str() + start.size(), nullptr, 10);
        if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            unlink((folder + "/" + name).c_str());
        }
    }
    closedir(dir);
}

class CBurnRecorder : public IDiscRecorder {
  public:
    bool IsRecorder(const std::string& drive) override {
        std::lock_guard turn(g_turn);
        return CHeldDrive(drive).Held();
    }

    bool IsReady(const std::string& drive) override {
        std::lock_guard turn(g_turn);
        CHeldDrive held(drive);
        if (!held.Held()) {
            return false;
        }
        const burn_disc_status status = burn_disc_get_status(held.Drive());
        return Writable(status) || (status == BURN_DISC_FULL && burn_disc_erasable(held.Drive()));
    }

    bool Erase(const std::string& drive, EraseMode mode, std::string& error) override {
        std::lock_guard turn(g_turn);
        CHeldDrive held(drive);
        if (!held.Held()) {
            error = Reason("the drive cannot be opened");
            return false;
        }
        const burn_disc_status status = burn_disc_get_status(held.Drive());
        if (status == BURN_DISC_BLANK) {
            return true;
        }
        if (!burn_disc_erasable(held.Drive())) {
            error = Reason("the medium cannot be erased");
            return false;
        }
        burn_disc_erase(held.Drive(), mode == EraseMode::Quick ? 1 : 0);
        WaitIdle(held.Drive(), nullptr);
        if (burn_disc_get_status(held.Drive()) != BURN_DISC_BLANK) {
            error = Reason("the medium was not erased");
            return false;
        }
        return true;
    }

    bool Burn(const std::string& drive, const std::vector<CDiscImageEntry>& entries,
              EjectMode eject, const BurnProgressFn& progress, std::string& error) override {
        std::lock_guard turn(g_turn);
        const bool imageFile = drive.rfind(kStdio, 0) == 0;
        const std::string path = imageFile ? drive.substr(sizeof kStdio - 1) : std::string();
        if (imageFile) {
            RemoveStaleScratch(path);
        }
        const std::string address =
            imageFile ? kStdio + ScratchPrefix(path) + std::to_string(getpid()) : drive;
        bool ok = BurnOn(address, entries, eject, progress, error);
        if (imageFile) {
            const std::string scratch = address.substr(sizeof kStdio - 1);
            if (ok && std::rename(scratch.c_str(), path.c_str()) != 0) {
                ok = false;
                error = path + ": cannot replace the old image";
            }
            if (!ok) {
                std::remove(scratch.c_str());
            }
        }
        return ok;
    }

  private:
    static bool BurnOn(const std::string& address, const std::vector<CDiscImageEntry>& entries,
                       EjectMode eject, const BurnProgressFn& progress, std::string& error) {
        CHeldDrive held(address);
        if (!held.Held()) {
            error = Reason("the drive cannot be opened");
            return false;
        }
        if (!Writable(burn_disc_get_status(held.Drive()))) {
            error = Reason("the medium is not blank");
            return false;
        }
        auto* image = reinterpret_cast<burn::burn_source*>(MakeDiscImage(entries, error));
        if (!image) {
            return false;
        }
        const bool ok = WriteImage(held.Drive(), image, progress, error);
        burn_source_free(image);
        if (ok && eject == EjectMode::Eject) {
            held.EjectOnRelease();
        }
        return ok;
    }
};

}  // namespace

IDiscRecorder& SystemDiscRecorder() {
    static CBurnRecorder recorder;
    return recorder;
}

}  // namespace tv
