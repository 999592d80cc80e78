#pragma once

namespace tv {

// What the main window's models tell its view. GUI thread, from inside a model's call or the
// handling of a run's end. The view reads the new state back from the models.
class IMainListener {
  public:
    virtual ~IMainListener() = default;
    virtual void RowsReset() {}              // rows were added, removed or replaced
    virtual void RowChanged(int /*row*/) {}  // a row's name or "Last run" text
    virtual void SelectionChanged() {}       // the selected rows, as the editor set them
    virtual void EditChanged() {}            // every control of the edit area
    virtual void TargetsChanged() {}         // the targets list (and the target field)
    virtual void CaptionChanged() {}
    virtual void RecentChanged() {}
    virtual void FocusName() {}      // the name field is to get the focus
    virtual void RunsChanged() {}    // a run started or ended: what may be edited changed
    virtual void StatusChanged() {}  // the status line's text
    virtual void ExitReady() {}      // the exit routine has finished: the window may close
};

}  // namespace tv
