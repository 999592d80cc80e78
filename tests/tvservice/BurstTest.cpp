#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "tvservice/ServiceSupport.h"

namespace livetest {

namespace {

// Random changes of files and folders in a small name space, so that names are made, changed,
// renamed over each other and removed again and again, also while their folders move.
class CRandomChanges {
  public:
    CRandomChanges(fs::path root, uint32_t seed) : m_root(std::move(root)), m_random(seed) {}

    // Carries out changes until `count` of them succeeded.
    void Run(int count) {
        for (int done = 0; done < count;) {
            done += Step() ? 1 : 0;
        }
    }

  private:
    static constexpr const char* kFolders[] = {"", "p", "q", "r", "p/s", "q/s", "r/t", "p/s/u"};

    size_t Pick(size_t count) {
        return std::uniform_int_distribution<size_t>(0, count - 1)(m_random);
    }
    fs::path Folder() {
        const std::string name = kFolders[Pick(std::size(kFolders))];
        return name.empty() ? m_root : m_root / name;
    }
    fs::path File() { return Folder() / ("f" + std::to_string(Pick(30))); }
    std::string Content() { return std::string(Pick(3000), static_cast<char>('a' + Pick(26))); }

    bool Step() {
        std::error_code ec;
        const size_t kind = Pick(100);
        if (kind < 35) {
            std::ofstream out(File(), std::ios::trunc);
            return static_cast<bool>(out << Content() << Pick(1000));
        }
        if (kind < 50) {
            const fs::path path = File();
            return fs::is_regular_file(path, ec) &&
                   static_cast<bool>(std::ofstream(path, std::ios::app) << Content());
        }
        if (kind < 65) {
            return fs::remove(File(), ec);
        }
        if (kind < 80) {
            const fs::path from = File();
            fs::rename(from, File(), ec);
            return !ec && !fs::exists(from);
        }
        if (kind < 90) {
            return fs::create_directory(Folder(), ec);
        }
        if (kind < 96) {
            const fs::path from = Folder();
            const fs::path to = Folder();
            if (from == m_root || to == m_root || to.string().starts_with(from.string())) {
                return false;
            }
            fs::rename(from, to, ec);
            return !ec;
        }
        const fs::path folder = Folder();
        return folder != m_root && fs::remove_all(folder, ec) > 0;
    }

    fs::path m_root;
    std::mt19937 m_random;
};

// TWINVALE_BURST_SEED repeats a failed run's changes.
uint32_t BurstSeed() {
    const char* chosen = std::getenv("TWINVALE_BURST_SEED");
    return chosen ? static_cast<uint32_t>(std::stoul(chosen)) : std::random_device()();
}

// Ten thousand changes as fast as they can be made: afterwards both targets equal the source.
TEST_F(LiveTest, TargetsEqualTheSourceAfterABurstOfChanges) {
    const fs::path source = Dir("src");
    const fs::path first = Dir("dst1");
    const fs::path second = Dir("dst2");
    auto service = Start(source, {first, second});
    const uint32_t seed = BurstSeed();
    SCOPED_TRACE("seed " + std::to_string(seed));

    CRandomChanges(source, seed).Run(10'000);
    const auto burstEnd = std::chrono::steady_clock::now();
    ExpectConverges(source, {first, second}, 60s);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - burstEnd);
    RecordProperty("convergence_seconds", std::to_string(seconds.count()));
    EXPECT_EQ(service->Stop(SIGTERM, 5s), 0);
}

}  // namespace

}  // namespace livetest
