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
    bool selected = false;
    bool failed = false;
    bool matched = true;
    bool done = false;
};

}  // namespace tv
