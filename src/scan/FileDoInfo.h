#pragma once

#include <cstdint>
#include <string>

#include "base/FileTime.h"
#include "task/Side.h"

namespace tv {

// What the pass does with a file record.
enum FileAction : int32_t {
    ACTION_NONE = 0,
    ACTION_COPY = 1,             // copy to the other side
    ACTION_DELETE = 2,           // delete on its own side
    ACTION_COPY_ATTRIBUTES = 3,  // copy attributes only
    ACTION_COPY_TIMESTAMP = 4,   // set the other side's timestamp
};

// Why the planning step chose a record's action, or chose none. The preview and the dry run
// explain the plan with it; the numbers behind it (times, sizes, the criterion) stay in the
// record and the task, so one byte is all a record carries.
enum class PlanReason : uint8_t {
    None,                 // not planned (yet)
    Equal,                // the criterion finds no difference
    SourceWins,           // the criterion prefers the source file (newer, or differing)
    TargetWins,           // the target file is newer
    TargetNewerWanted,    // newer in target, and "Transfer only if target file is newer" is on
    AttributesDiffer,     // only the attributes differ
    ReplaceDiffers,       // Replace makes a differing target file equal to the source's
    TimesDiffer,          // equal sizes, other times: the timestamps are carried over
    RestoreSourceNewer,   // the source file changed since its backup: the backup goes back
    OnlyInSource,         // no twin in the target
    OnlyInTarget,         // no twin in the source
    DeleteFromTarget,     // only in target, and "Del files from target if not in source" is on
    ReplaceRemoves,       // only in target, and Replace makes the target equal to the source
    DeletedFromTarget,    // its twin in the target was deleted since the last synchronization
    DeletedFromSource,    // its twin in the source was deleted since the last synchronization
    ConflictRefused,      // both changed since the last synchronization; the answer was No
    TargetNewerKept,      // newer in target; a target update never copies back
    SourceNewerUnwanted,  // newer in source, and "Transfer only if target file is newer" is on
    NotOnTarget,          // only in source, and "Transfer only if files are on target" is on
    TargetKept,           // only in target, and nothing removes it in this run
    OneSidedKept,         // only on one side: this run kind copies nothing across
    SizesDiffer,          // the sizes differ: timestamps are carried over only between equals
    ListingCut,           // a listing of the other side was cut short: it may hold the file
    // The reasons of items that never reach the tree or that the pass adds by itself.
    ExcludedByMask,       // an exclusion mask matches the name
    NotIncluded,          // no inclusion mask matches the name
    OverSizeLimit,        // larger than the size limit
    OutsideTimeLimit,     // its last write falls outside the time filter
    ExcludedItem,         // listed among the excluded items
    DeleteSourceAfter,    // "Delete source files after task finishing", and the target holds it
    TargetFolderMissing,  // the target root is missing and the task creates it
    FolderEmptied,        // a source folder that holds nothing once its files were deleted
};

// One file of a folder tree. Sizes are full 64-bit sizes in memory; the stored form keeps
// the low 32 bits. Every run holds one record per file on both sides, so the layout is kept
// tight: the flags are bytes packed after the wide fields.
class CFileDoInfo {
  public:
    // A record read back from a stored tree.
    CFileDoInfo() = default;
    CFileDoInfo(std::string fileName, uint64_t fileSize, Side fileSide, FileTime written,
                FileTime created, uint32_t attrs, bool isSelected, bool isDone,
                FileAction plannedAction)
        : name(std::move(fileName)),
          size(fileSize),
          lastWrite(written),
          creation(created),
          attributes(attrs),
          action(plannedAction),
          side(fileSide),
          selected(isSelected),
          matched(false),
          done(isDone) {}

    std::string name;
    uint64_t size = 0;
    uint64_t otherSize = 0;
    FileTime lastWrite = 0;
    FileTime otherLastWrite = 0;
    FileTime creation = 0;
    uint32_t attributes = 0;
    FileAction action = ACTION_NONE;
    Side side = Side::Target;
    PlanReason reason = PlanReason::None;
    bool selected = false;
    bool failed = false;
    bool matched = true;
    bool done = false;
};

}  // namespace tv
