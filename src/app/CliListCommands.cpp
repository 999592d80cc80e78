#include <algorithm>
#include <cerrno>
#include <new>
#include <ostream>

#include "app/CliListJson.h"
#include "app/CliMain.h"
#include "app/CliOptions.h"
#include "app/MirrantApp.h"
#include "base/StringTable.h"
#include "platform/AtomicFile.h"
#include "platform/Profile.h"
#include "platform/ProfileKeys.h"
#include "platform/TaskCounter.h"
#include "task/TaskList.h"

namespace tv {

namespace {

// The highest id in use: the counter's, or a higher one that the JSON gives.
int HighestIdInUse(IFileSystem& fs, const CTaskList& list) {
    int highest = std::max(0, ReadTaskCounter(fs));
    for (const auto& task : list.m_Tasks) {
        highest = std::max(highest, int(task->m_nTaskId));
    }
    return highest;
}

// The rotation of consecutive targets is not part of the file; it lives in the profile.
bool StoreNextTargets(const CTaskList& list, CProfile& profile) {
    bool stored = true;
    for (const auto& task : list.m_Tasks) {
        const std::string name = std::to_string(task->m_nTaskId);
        if (profile.GetProfileInt(profkey::kNextTargets, name, 0) != task->m_nNextTarget) {
            stored &= profile.WriteProfileInt(profkey::kNextTargets, name, task->m_nNextTarget);
        }
    }
    return stored;
}

int LoadFailure(const std::string& path, const CListLoadResult& result, std::ostream& err) {
    err << "mirrant: ";
    if (result.m_outcome == CListLoadResult::Outcome::CannotOpen) {
        err << LoadString(IDS_CANT_OPEN_FILE) << " " << path;
    } else {
        err << path << ": " << LoadString(IDS_NOT_A_TASK_LIST);
    }
    err << (result.m_strError.empty() ? "" : " (" + result.m_strError + ")") << "\n";
    return kExitListNotLoaded;
}

}  // namespace

int DumpList(CMirrantApp& app, const std::string& path, PasswordView passwords, std::ostream& out,
             std::ostream& err) {
    CTaskList list;
    list.m_nHighestId = std::max(0, ReadTaskCounter(app.FileSystem()));
    const CListLoadResult result = list.LoadFile(app.FileSystem(), path, app.Profile());
    if (result.m_outcome == CListLoadResult::Outcome::CannotOpen ||
        result.m_outcome == CListLoadResult::Outcome::NotAList) {
        return LoadFailure(path, result, err);
    }
    int code = kExitOk;
    if (result.m_outcome == CListLoadResult::Outcome::Damaged) {
        err << "mirrant: warning: " << path << ": " << LoadString(IDS_LIST_DAMAGED)
            << (result.m_strError.empty() ? "" : " (" + result.m_strError + ")") << "\n";
        code = kExitListDamaged;
    }
    out << TaskListToJson(list, passwords).dump(2) << std::endl;
    if (!out) {
        err << "mirrant: cannot write the output\n";
        return kExitCannotWrite;
    }
    return code;
}

int MakeList(CMirrantApp& app, const std::string& jsonPath, const std::string& outPath,
             std::ostream& err) {
    CFileError readError;
    const auto text = ReadWholeFile(app.FileSystem(), jsonPath, &readError, kMaxImportBytes);
    if (!text && readError.m_nCode == EFBIG) {
        err << "mirrant: " << jsonPath << ": larger than " << (kMaxImportBytes >> 30)
            << " GiB, more than a task list's JSON form is read from\n";
        return kExitBadJson;
    }
    if (!text) {
        err << "mirrant: " << LoadString(IDS_CANT_OPEN_FILE) << " " << jsonPath << " ("
            << readError.m_strText << ")\n";
        return kExitBadJson;
    }
    CTaskList list;
    try {
        TaskListFromJsonText(*text, list);
    } catch (const CJsonImportError& e) {
        err << "mirrant: " << jsonPath << ": " << e.what() << "\n";
        return kExitBadJson;
    } catch (const std::bad_alloc&) {
        err << "mirrant: " << jsonPath << ": not enough memory to read it\n";
        return kExitBadJson;
    }
    list.m_nHighestId = HighestIdInUse(app.FileSystem(), list);
    // Saved as the list's own file, so the ids the JSON gives are kept.
    list.m_strPath = outPath;
    std::string error;
    if (!list.SaveFile(app.FileSystem(), outPath, &error)) {
        err << "mirrant: " << LoadString(IDS_CANT_SAVE_TASK_LIST) << " " << outPath << " (" << error
            << ")\n";
        return kExitCannotWrite;
    }
    if (!StoreNextTargets(list, app.Profile())) {
        err << "mirrant: warning: cannot store m_nNextTarget in " << app.Profile().Path() << "\n";
    }
    return kExitOk;
}

}  // namespace tv
