// Times the investigation of both sides of a task whose target is an identical copy of the
// source, against `find` over one side and `rsync -a --dry-run` over both, in one run, and
// measures the memory the two trees hold.
//
//   bench_investigate make DIR COUNT [flat]   builds a tree of COUNT files (flat: one folder)
//   bench_investigate run SRC DST [ROUNDS]    times the three and prints the ratios
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "scan/Investigate.h"
#include "scan/TreeF.h"
#include "task/Element.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFolderFanOut = 10;
constexpr int kFilesPerLeaf = 100;

// Names of mixed length, as real folders have: some fit a short string, most do not.
std::string FileName(int i) {
    static const char* const kTails[] = {
        "", "-notes", "-draft-final", "-2024-03-quarterly-report", "_IMG", "-copy (2)"};
    std::string name = std::to_string(i);
    name.insert(0, 1, 'f');
    name += kTails[i % 6];
    name += ".dat";
    return name;
}

void WriteSmallFile(const fs::path& path, int i) {
    std::ofstream(path, std::ios::binary) << std::string(static_cast<size_t>(i % 97), 'x');
}

void MakeFlatTree(const fs::path& root, int count) {
    fs::create_directories(root);
    for (int i = 0; i < count; ++i) {
        WriteSmallFile(root / FileName(i), i);
    }
}

// Three levels of ten folders, a hundred files in each leaf folder, filled in that order.
void MakeNestedTree(const fs::path& root, int count) {
    for (int i = 0; i < count; ++i) {
        const int leaf = i / kFilesPerLeaf;
        const fs::path folder =
            root / ("dir" + std::to_string(leaf / 100 % kFolderFanOut)) /
            ("sub" + std::to_string(leaf / 10 % kFolderFanOut)) /
            ("leaf" + std::to_string(leaf % kFolderFanOut) + "-" + std::to_string(leaf / 1000));
        if (i % kFilesPerLeaf == 0) {
            fs::create_directories(folder);
        }
        WriteSmallFile(folder / FileName(i), i);
    }
}

double SecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The median of `rounds` timings after one warm-up, so that every contender reads from a warm
// cache.
double MedianSeconds(int rounds, const std::function<void()>& work) {
    work();
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        times.push_back(SecondsOf(work));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void RunShell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

size_t CountFiles(const tv::CTreeF& node) {
    size_t n = node.files.size();
    for (const auto& child : node.subfolders) {
        n += CountFiles(*child);
    }
    return n;
}

// Small blocks and the large ones malloc maps on their own (a big file list).
size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

struct CTrees {
    tv::CTreeF source;
    tv::CTreeF target;
};

bool Investigate(tv::CElement& task, CTrees& trees) {
    trees.source.sourceOnly = true;
    tv::CInvestigationRequest request;
    request.m_Source = {&task.m_Source, &trees.source, &tv::LocalFileSystem()};
    request.m_Target = {&task.m_Targets[0], &trees.target, &tv::LocalFileSystem()};
    request.m_bSingleTarget = true;
    return tv::InvestigateSides(task, request);
}

int Run(const std::string& src, const std::string& dst, int rounds) {
    tv::CElement task;
    task.m_Source.m_strPath = src;
    task.m_Targets.resize(1);
    task.m_Targets[0].m_strPath = dst;
    task.m_Run.Begin(tv::RunKind::Synchronize, tv::pref::kDefault, 1);

    const size_t before = HeapInUse();
    auto kept = std::make_unique<CTrees>();
    if (!Investigate(task, *kept)) {
        std::fprintf(stderr, "investigation failed\n");
        return 1;
    }
    const size_t held = HeapInUse() - before;
    const size_t files = CountFiles(kept->source) + CountFiles(kept->target);
    kept.reset();

    const double ours = MedianSeconds(rounds, [&] {
        CTrees trees;
        Investigate(task, trees);
    });
    const double find = MedianSeconds(
        rounds, [&] { RunShell("find '" + src + "' -printf '%s %T@\\n' >/dev/null"); });
    const double rsync = MedianSeconds(
        rounds, [&] { RunShell("rsync -a --dry-run '" + src + "/' '" + dst + "/' >/dev/null"); });

    std::printf("files listed (both sides):      %zu\n", files);
    std::printf("investigate both sides:         %.3f s\n", ours);
    std::printf("find, one side:                 %.3f s   ratio ours/find  = %.2f (goal <= 2)\n",
                find, ours / find);
    std::printf("rsync -a --dry-run, both sides: %.3f s   ratio ours/rsync = %.2f (goal < 1)\n",
                rsync, ours / rsync);
    std::printf("heap held by both trees:        %zu bytes = %.1f bytes per file (goal <= 200)\n",
                held, files ? static_cast<double>(held) / static_cast<double>(files) : 0.0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "make" && argc >= 4) {
        const bool flat = argc > 4 && std::string(argv[4]) == "flat";
        (flat ? MakeFlatTree : MakeNestedTree)(argv[2], std::atoi(argv[3]));
        return 0;
    }
    if (mode == "run" && argc >= 4) {
        return Run(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 5);
    }
    std::fprintf(stderr,
                 "usage: %s make DIR COUNT [flat]\n"
                 "       %s run SRC DST [ROUNDS]\n",
                 argv[0], argv[0]);
    return 2;
}
