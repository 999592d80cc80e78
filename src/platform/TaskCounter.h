#pragma once

#include <string>

namespace tv {

class IFileSystem;

// The counter "ELNum" from which task ids are drawn: the highest id handed out so far, kept in
// XdgStateHome() + "/Twinvale/ELNum" as a decimal number. Every change happens under an
// exclusive lock file, so programs drawing ids at the same time never get the same one. When
// the file cannot be written, the value is kept in memory for the rest of the process (ids may
// then repeat after a restart, which the task list loader repairs). All functions block on disk
// I/O and on the lock; any thread.

std::string TaskCounterPath();

// The stored counter, or -1 when there is none or it cannot be read.
int ReadTaskCounter(IFileSystem& fs);

// Stores `value` as the counter; false when the file cannot be written.
bool WriteTaskCounter(IFileSystem& fs, int value);

// A new task id: 1 when there is no counter, else the counter plus one; the id becomes the
// counter. Returns -1 only when the counter is at the largest int.
int DrawNewTaskId(IFileSystem& fs);

// Stores `highestId` when it is greater than the counter (after a task list is loaded or saved).
// False when it had to be stored and could not be.
bool RaiseTaskCounter(IFileSystem& fs, int highestId);

}  // namespace tv
