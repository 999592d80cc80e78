#pragma once

#include <cstdint>
#include <string>

#include "task/Options.h"

namespace tv {

class CElement;
class CTreeF;
class IFileSystem;

// A snapshot says what one target holds after the last one-way update, so that the next
// update need not list that target. It is kept per target: a snapshot of one target must never
// stand for another (with "Use targets consecutively" the targets take turns), so the file
// names its target by index and holds the target's path as its root name; one made for
// another path is not used. Snapshots are kept in `fs`, the file system of the program's files.

// ProgramDataFolder() + "/SnapShots/ss<id>" for the first target, "ss<id>_<index>" for the
// others.
std::string SnapshotPath(int taskId, int targetIndex);

// Stores what target `targetIndex` holds after a pass over the merged tree `root`: the files
// the target had or received, not those whose copy failed or was never made, and not the
// folders the pass did not create or removed. Atomic: the old snapshot stays until the new
// one is complete. Creates the "SnapShots" folder when missing. Worker thread; blocks on disk
// I/O; not cancelable.
bool WriteSnapshot(IFileSystem& fs, const CElement& task, int targetIndex, const CTreeF& root);

// Fills `root` with the snapshot of target `targetIndex` (every node then lies on the target
// side). False when there is none, when it is damaged (`root` is then emptied), or when it was
// made for another target path. Any thread of the run; blocks on disk I/O.
bool ReadSnapshot(IFileSystem& fs, const CElement& task, int targetIndex, CTreeF& root);

// Removes the snapshot of target `targetIndex`, so that the next run lists that target. Any
// thread; blocks on disk I/O.
void DiscardSnapshot(IFileSystem& fs, int taskId, int targetIndex);

// "Create(renew) snapshot": lists the source alone (in `fs`, which also keeps the snapshots)
// and stores it as what every local target holds, under `preferences` (the application's, as a
// run takes them). It is a run of the task of its own (begun and ended in the task's run
// state), so not while the task runs. 0 when the snapshots were written, -1 otherwise (the
// source cannot be listed, the task is running or has no local target, or the listing was
// canceled). Blocks until the listing and the writes are done, so call it off the GUI thread;
// the listing stops early on IsTaskCanceled.
int CreateSnapshot(IFileSystem& fs, CElement& task, uint32_t preferences = pref::kDefault);

// CreateSnapshot in two steps, so that a cancel that comes between them is kept: the first
// begins the listing's run on the caller's thread (false when the task runs), the second lists
// and stores on any thread and ends that run.
bool BeginSnapshot(IFileSystem& fs, CElement& task, uint32_t preferences);
int TakeSnapshot(IFileSystem& fs, CElement& task);

}  // namespace tv
