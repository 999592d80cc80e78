#include "report/TaskLogSummary.h"

#include "base/StringTable.h"
#include "report/TaskLogText.h"
#include "task/Element.h"

namespace tv {

namespace {

constexpr const char* kIndent = "      ";
constexpr const char* kLineEnd = "\r\n";

struct CSection {
    CTaskInfor::List m_list;
    int m_headingId;
};

constexpr CSection kSections[] = {
    {CTaskInfor::CopiedFromSource, IDS_LOG_COPIED_FROM_SOURCE},
    {CTaskInfor::CopiedFromTarget, IDS_LOG_COPIED_FROM_TARGET},
    {CTaskInfor::DeletedInSource, IDS_LOG_DELETED_IN_SOURCE},
    {CTaskInfor::DeletedInTarget, IDS_LOG_DELETED_IN_TARGET},
    {CTaskInfor::FoldersCreatedInSource, IDS_LOG_CREATED_DIRS_IN_SOURCE},
    {CTaskInfor::FoldersCreatedInTarget, IDS_LOG_CREATED_DIRS_IN_TARGET},
    {CTaskInfor::FoldersDeletedInSource, IDS_LOG_DELETED_DIRS_IN_SOURCE},
    {CTaskInfor::FoldersDeletedInTarget, IDS_LOG_DELETED_DIRS_IN_TARGET},
};

// Entries may carry the line feed of the message they were made from; the log gives every
// line exactly one "\r\n".
std::string_view WithoutLineEnd(std::string_view entry) {
    while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r')) {
        entry.remove_suffix(1);
    }
    return entry;
}

std::string Counted(int headingId, size_t count) {
    return FormatText(LoadString(headingId).c_str(), static_cast<int>(count));
}

class CSummaryBuilder {
  public:
    CSummaryBuilder(ILogSink& out, LogForm form) : m_out(out), m_bHtml(form == LogForm::Html) {}

    void Markup(const char* tag) {
        if (m_bHtml) {
            m_out.Put(std::string(tag) + kLineEnd);
        }
    }

    void Text(std::string_view text, const char* end = kLineEnd) {
        m_out.Put((m_bHtml ? EscapeHtml(text) : std::string(text)) + end);
    }

    void Paragraph(const std::string& text) {
        Markup("<p>");
        Text(text);
        Markup("</p>");
    }

    // A heading with the entries of one list, each indented on a line of its own.
    void Listing(const std::string& heading, const CTaskInfor& infor, CTaskInfor::List list) {
        Markup("<p>");
        Text(heading);
        infor.ForEachLine(list, [this](std::string_view entry) {
            Markup("<br>");
            Text(kIndent + std::string(WithoutLineEnd(entry)));
        });
        Markup("</p>");
    }

  private:
    ILogSink& m_out;
    bool m_bHtml;
};

}  // namespace

void BuildSummary(const CElement& task, const CRunTexts& texts, ILogSink& sink, LogForm form,
                  SummaryForm summary) {
    CSummaryBuilder out(sink, form);
    out.Markup("<p>");
    out.Text(texts.m_strStart);
    out.Markup("</p>");
    out.Markup("<p>");
    out.Text(LoadString(IDS_LOG_SOURCE) + kIndent + task.m_Source.DisplayPath());
    out.Markup("</p>");

    const auto& infors = task.m_Run.Records();
    size_t copied = 0;
    size_t deleted = 0;
    for (size_t i = 0; i < task.m_Targets.size(); ++i) {
        out.Paragraph(LoadString(IDS_LOG_TARGET) + kIndent + task.m_Targets[i].DisplayPath());
        // A target without a record of its own (the two lists disagree) gets its line alone.
        if (i >= infors.size() || !infors[i]) {
            continue;
        }
        const CTaskInfor& infor = *infors[i];
        if (infor.Count(CTaskInfor::Errors) > 0) {
            out.Listing(LoadString(IDS_LOG_ERRORS), infor, CTaskInfor::Errors);
        }
        copied +=
            infor.Count(CTaskInfor::CopiedFromSource) + infor.Count(CTaskInfor::CopiedFromTarget);
        if (summary == SummaryForm::SummaryOnly) {
            continue;
        }
        for (const CSection& section : kSections) {
            const size_t count = infor.Count(section.m_list);
            if (count == 0) {
                continue;
            }
            out.Listing(Counted(section.m_headingId, count), infor, section.m_list);
            if (section.m_list == CTaskInfor::DeletedInSource ||
                section.m_list == CTaskInfor::DeletedInTarget) {
                deleted += count;
            }
        }
        if (infor.Count(CTaskInfor::KeptFiles) > 0) {
            out.Listing(LoadString(IDS_LOG_KEPT_FILES), infor, CTaskInfor::KeptFiles);
        }
    }
    // Without targets, the run's own record holds what went wrong outside any target.
    if (task.m_Targets.empty() && !infors.empty() && infors.front() &&
        infors.front()->Count(CTaskInfor::Errors) > 0) {
        out.Listing(LoadString(IDS_LOG_ERRORS), *infors.front(), CTaskInfor::Errors);
    }
    if (copied > 0) {
        out.Paragraph(Counted(IDS_LOG_TOTAL_COPIED, copied));
    }
    if (deleted > 0) {
        out.Paragraph(Counted(IDS_LOG_TOTAL_DELETED, deleted));
    }
    out.Markup("<p>");
    out.Text(texts.m_strEnd, "\r\n\r\n\r\n");
}

}  // namespace tv
