// Drives the engine the way a one-way run does (investigation, planning, pass) for the
// synchronization benchmark; bench/bench_sync.sh times it against cp -a and rsync -a.
//
//   bench_sync sync SRC DST            one run of kind 1; prints the phase times and counts
//   bench_sync plan SRC DST [ROUNDS]   the median time of the planning step alone
//   bench_sync change DIR PERCENT      rewrites that share of the files (one in 100/PERCENT)
//   bench_sync large DIR COUNT MIB     writes COUNT files of MIB mebibytes each
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/CaseFolding.h"
#include "platform/FileSystem.h"
#include "scan/Investigate.h"
#include "scan/TreeF.h"
#include "sync/Pass.h"
#include "sync/Plan.h"
#include "task/Element.h"

namespace fs = std::filesystem;

namespace {

double SecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct CEngine {
    CEngine(const std::string& src, const std::string& dst) {
        task.m_Source.m_strPath = src;
        task.m_Targets.resize(1);
        task.m_Targets[0].m_strPath = dst;
        // As rsync's quick check: a file changed twice within the 2.5 seconds that timestamps
        // alone tolerate must still be copied, or the 1% rounds would copy nothing.
        task.m_nCompareMode = tv::COMPARE_TIME_OR_SIZE;
        task.m_dwOptions2 |= tv::opt2::kSilent;  // no progress window, as with cp and rsync
        task.m_Run.Begin(tv::RunKind::UpdateTarget,
                         static_cast<uint32_t>(tv::ErrorPolicy::Continue), 1);
        source.sourceOnly = true;
        plan.m_match =
            tv::ChooseNameMatch(task, false, false, tv::FoldsCase(src), tv::FoldsCase(dst));
    }

    bool Investigate() {
        tv::CInvestigationRequest request;
        request.m_Source = {&task.m_Source, &source, &tv::LocalFileSystem()};
        request.m_Target = {&task.m_Targets[0], &target, &tv::LocalFileSystem()};
        request.m_bSingleTarget = true;
        if (!tv::InvestigateSides(task, request)) {
            return false;
        }
        tv::MergeRoots(source, target);
        return true;
    }
    void Plan(tv::CTreeF& root) {
        tv::PlanSynchronization(task, root, task.m_Source.m_strPath, task.m_Targets[0].m_strPath,
                                plan, bytes, run);
    }

    tv::CElement task;
    tv::CTreeF source;
    tv::CTreeF target;
    tv::CPlanRequest plan{tv::LocalFileSystem()};
    tv::CPlanBytes bytes;
    tv::CRunBytes run;
};

int Sync(const std::string& src, const std::string& dst) {
    CEngine engine(src, dst);
    bool ok = true;
    tv::CPassCounts counts;
    const double investigate = SecondsOf([&] { ok = engine.Investigate(); });
    if (!ok) {
        std::fprintf(stderr, "investigation failed\n");
        return 1;
    }
    const double plan = SecondsOf([&] { engine.Plan(engine.source); });
    const double pass = SecondsOf([&] {
        tv::CSyncPass run(engine.task, tv::CPassRequest::Local(engine.task, src, dst, true),
                          engine.run, tv::LocalFileSystem());
        ok = run.Run(engine.source);
        counts = run.Counts();
    });
    const size_t errors = engine.task.m_Run.Count(tv::CTaskInfor::Errors);
    std::printf("total=%.3f investigate=%.3f plan=%.3f pass=%.3f copied=%u errors=%zu\n",
                investigate + plan + pass, investigate, plan, pass, counts.m_nCopiedFromSource,
                errors);
    return ok && errors == 0 ? 0 : 1;
}

// The planning step alone, each round on a fresh copy of the investigated one-folder tree.
int PlanOnly(const std::string& src, const std::string& dst, int rounds) {
    CEngine engine(src, dst);
    if (!engine.Investigate() || !engine.source.subfolders.empty()) {
        std::fprintf(stderr, "needs two investigated one-folder trees\n");
        return 1;
    }
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        tv::CTreeF root;
        root.files = engine.source.files;
        times.push_back(SecondsOf([&] { engine.Plan(root); }));
    }
    std::sort(times.begin(), times.end());
    std::printf("records=%zu plan=%.4f\n", engine.source.files.size(), times[times.size() / 2]);
    return 0;
}

// Every (100 / percent)-th file in name order gets new content, one byte longer.
int Change(const fs::path& dir, int percent) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    const size_t step = static_cast<size_t>(100 / std::max(percent, 1));
    size_t changed = 0;
    for (size_t i = 0; i < files.size(); i += step, ++changed) {
        const auto size = fs::file_size(files[i]);
        std::ofstream(files[i], std::ios::binary | std::ios::trunc)
            << std::string(static_cast<size_t>(size) + 1, 'y');
    }
    std::printf("changed=%zu\n", changed);
    return 0;
}

int Large(const fs::path& dir, int count, int mebibytes) {
    fs::create_directories(dir);
    std::string block(1 << 20, '\0');
    for (int f = 0; f < count; ++f) {
        std::ofstream out(dir / ("large" + std::to_string(f) + ".bin"), std::ios::binary);
        for (int m = 0; m < mebibytes; ++m) {
            for (size_t i = 0; i < block.size(); i += 4096) {
                block[i] = static_cast<char>(f * 31 + m * 7 + static_cast<int>(i >> 12));
            }
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "sync" && argc == 4) {
        return Sync(argv[2], argv[3]);
    }
    if (mode == "plan" && argc >= 4) {
        return PlanOnly(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 5);
    }
    if (mode == "change" && argc == 4) {
        return Change(argv[2], std::atoi(argv[3]));
    }
    if (mode == "large" && argc == 5) {
        return Large(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    }
    std::fprintf(stderr,
                 "usage: %s sync SRC DST | plan SRC DST [ROUNDS] | change DIR PERCENT |"
                 " large DIR COUNT MIB\n",
                 argv[0]);
    return 2;
}
