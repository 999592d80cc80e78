#include "uimodel/TaskWizard.h"

#include "task/Options.h"
#include "uimodel/FtpDialogModel.h"
#include "uimodel/LocationField.h"

namespace tv {

namespace {

CElement DefaultTask(const std::string& programDataFolder) {
    CElement task;
    task.ResetToDefaults(programDataFolder);
    return task;
}

void Put(uint32_t& word, uint32_t bit, bool on) {
    word = on ? word | bit : word & ~bit;
}

}  // namespace

CTaskWizardModel::CTaskWizardModel(const std::string& programDataFolder, DialUpLayer dialUp)
    : m_pages(DefaultTask(programDataFolder), dialUp), m_task(DefaultTask(programDataFolder)) {
    for (int i = 0; i <= static_cast<int>(WizardStep::Ready); ++i) {
        const auto step = static_cast<WizardStep>(i);
        if (step != WizardStep::DialUp || dialUp == DialUpLayer::Present) {
            m_steps.push_back(step);
        }
    }
    PageChanged();
}

void CTaskWizardModel::Next() {
    Apply(m_task);
    if (!IsLast()) {
        ++m_nCurrent;
    }
    PageChanged();
}

void CTaskWizardModel::Back() {
    Apply(m_task);
    if (!IsFirst()) {
        --m_nCurrent;
    }
    PageChanged();
}

// The one-way options of step 3 follow the kind, mode and targets chosen so far.
void CTaskWizardModel::PageChanged() {
    m_pages.m_general.SetContext(ContextOf(m_task));
}

std::string CTaskWizardModel::SourceText() const {
    return LocationFieldText(m_task.m_Source);
}

void CTaskWizardModel::SetSourceText(const std::string& text) {
    if (text != SourceText()) {
        TypeLocationPath(m_task.m_Source, text);
    }
}

std::string CTaskWizardModel::TargetText() const {
    return LocationFieldText(m_targetField);
}

void CTaskWizardModel::SetTargetText(const std::string& text) {
    if (text != TargetText()) {
        TypeLocationPath(m_targetField, text);
    }
}

const CTag& CTaskWizardModel::FtpLocation(Side side) const {
    return side == Side::Source ? m_task.m_Source : m_targetField;
}

void CTaskWizardModel::StoreFtpLocation(Side side, const CFtpDialogModel& dialog) {
    dialog.StoreInto(side == Side::Source ? m_task.m_Source : m_targetField);
}

void CTaskWizardModel::AddTarget() {
    if (!TargetText().empty()) {
        m_task.m_Targets.push_back(m_targetField);
    }
}

void CTaskWizardModel::DeleteTarget(int row) {
    if (row >= 0 && static_cast<size_t>(row) < m_task.m_Targets.size()) {
        m_task.m_Targets.erase(m_task.m_Targets.begin() + row);
    }
}

std::vector<std::string> CTaskWizardModel::TargetRows() const {
    std::vector<std::string> rows;
    for (const CTag& target : m_task.m_Targets) {
        rows.push_back(LocationFieldText(target));
    }
    return rows;
}

// A target typed but never added would leave the task without one: like Clone task, the field
// then becomes the only target.
void CTaskWizardModel::Apply(CElement& task) const {
    task.m_dwOptions = (task.m_dwOptions & ~(opt1::kKindMask | opt1::kModeMask)) |
                       (static_cast<uint32_t>(m_nKind) << opt1::kKindShift) |
                       static_cast<uint32_t>(m_nMode);
    task.m_bTargetsInTurn = m_nTargetsUsage == 1 ? 1 : 0;
    Put(task.m_dwOptions2, opt2::kTargetsInTurn, m_nTargetsUsage == 1);
    Put(task.m_dwOptions, opt1::kIncludeSubfolders, m_bSubfolders);
    Put(task.m_dwOptions, opt1::kPreview, m_bPreview);
    Put(task.m_dwOptions3, opt3::kArchiveTarget, m_bArchive);
    m_pages.Store(task);
}

CElement CTaskWizardModel::Result() const {
    CElement task = m_task;
    if (task.m_Targets.empty() && !TargetText().empty()) {
        task.m_Targets.push_back(m_targetField);
    }
    Apply(task);
    return task;
}

}  // namespace tv
