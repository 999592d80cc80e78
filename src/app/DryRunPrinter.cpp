#include "app/DryRunPrinter.h"

#include <ostream>

#include "app/CliListJson.h"
#include "base/StringTable.h"
#include "task/Element.h"

namespace tv {

namespace {

bool IsCopy(PlannedStep step) {
    return step == PlannedStep::CopyToTarget || step == PlannedStep::CopyToSource ||
           step == PlannedStep::CopyToThirdPlace || step == PlannedStep::AddToArchive;
}

bool IsDeletion(PlannedStep step) {
    return step == PlannedStep::DeleteInSource || step == PlannedStep::DeleteInTarget ||
           step == PlannedStep::RemoveFolderInSource || step == PlannedStep::RemoveFolderInTarget ||
           step == PlannedStep::DeleteSourceAfterCopy;
}

}  // namespace

std::string CDryRunPrinter::ItemLine(const CElement& task, int target,
                                     const CDryRunItem& item) const {
    const std::string text = ExplainedStep(item.m_step, item.m_why);
    const std::string path = item.m_strPath + (item.m_bFolder && item.m_strPath != "." ? "/" : "");
    if (m_form == DryRunOutput::Text) {
        return "  " + text + ": " + path;
    }
    CJson line = CJson::object();
    line["task"] = task.m_nTaskId;
    line["target"] = target;
    line["step"] = StepKey(item.m_step);
    line["path"] = TextToJson(item.m_strPath);
    line["folder"] = item.m_bFolder;
    line["reason"] = ReasonKey(item.m_why.m_reason);
    if (item.m_why.m_nTimeDelta != 0) {
        line["seconds"] = static_cast<double>(item.m_why.m_nTimeDelta) / kTicksPerSecond;
    }
    if (!item.m_why.m_strDetail.empty()) {
        line["mask"] = TextToJson(item.m_why.m_strDetail);
    }
    line["text"] = TextToJson(text);
    return line.dump();
}

void CDryRunPrinter::Count(const CElement& task, PlannedStep step) {
    CCounts& counts = m_counts[&task];
    if (step == PlannedStep::Skip) {
        ++counts.m_nSkipped;
    } else if (IsCopy(step)) {
        ++counts.m_nCopies;
    } else if (IsDeletion(step)) {
        ++counts.m_nDeletions;
    } else {
        ++counts.m_nOther;
    }
}

void CDryRunPrinter::Planned(const CElement& task, const CDryRunTarget& target) {
    std::string block;
    if (m_form == DryRunOutput::Text) {
        const std::string sides = target.m_strSource + " --> " + target.m_strTarget;
        block =
            FormatText(LoadString(IDS_DRY_HEADER).c_str(), task.m_nTaskId, sides.c_str()) + "\n";
    }
    std::lock_guard lock(m_mutex);
    for (const CDryRunItem& item : target.m_Items) {
        block += ItemLine(task, target.m_nTargetIndex, item) + "\n";
        Count(task, item.m_step);
    }
    m_counts[&task];  // a plan without any line still gets its counts
    m_out << block << std::flush;
}

void CDryRunPrinter::Note(const CElement& task, const std::string& line) {
    std::string text = "  " + line;
    if (m_form == DryRunOutput::Json) {
        CJson note = CJson::object();
        note["task"] = task.m_nTaskId;
        note["note"] = TextToJson(line);
        text = note.dump();
    }
    std::lock_guard lock(m_mutex);
    m_out << text << "\n" << std::flush;
}

void CDryRunPrinter::PrintCounts(const CElement& task) {
    std::lock_guard lock(m_mutex);
    const CCounts counts = m_counts[&task];
    const std::string text = FormatText(
        LoadString(IDS_DRY_COUNTS).c_str(), std::to_string(counts.m_nCopies).c_str(),
        std::to_string(counts.m_nDeletions).c_str(), std::to_string(counts.m_nOther).c_str(),
        std::to_string(counts.m_nSkipped).c_str());
    if (m_form == DryRunOutput::Text) {
        m_out << FormatText("Task %d: ", task.m_nTaskId) << text << "\n" << std::flush;
        return;
    }
    CJson line = CJson::object();
    line["task"] = task.m_nTaskId;
    line["counts"] = {{"copy", counts.m_nCopies},
                      {"delete", counts.m_nDeletions},
                      {"other", counts.m_nOther},
                      {"skip", counts.m_nSkipped}};
    line["text"] = TextToJson(text);
    m_out << line.dump() << "\n" << std::flush;
}

bool CDryRunPrinter::Ok() {
    std::lock_guard lock(m_mutex);
    return static_cast<bool>(m_out);
}

}  // namespace tv
