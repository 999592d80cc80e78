#pragma once

#include <optional>
#include <string>

#include "base/Archive.h"
#include "task/Element.h"

namespace tv {

// The task body layouts that task lists have used. Lists from version 469 on share one
// layout whose fields appear version by version; older lists each have a layout of their own.
enum class BodyLayout { Current, V200, V120, V110 };

// What decides how a body is read: the layout, the numeric version that gates the fields of
// the current layout, the folder the default sound files of older lists live in, and the file
// system of the task counter, from which a "1.10" body draws its id (none: the id is left 0).
struct CBodyFormat {
    BodyLayout m_layout = BodyLayout::Current;
    int m_nVersion = 590;
    std::string m_strDataFolder;
    IFileSystem* m_pCounterFs = nullptr;
};

// The leading decimal integer of a version string, as the lists were always read: blanks and a
// sign may lead, anything after the digits is ignored, an empty string counts as "584". Values
// beyond the int range saturate.
int ParseListVersion(const std::string& text);

// The format of a list with this version, or nullopt when no layout is known for it (numeric
// version 0 or less, or an old version string other than the four known ones).
std::optional<CBodyFormat> FormatOfVersion(const std::string& text, int number);

// Writes the body in the current layout. Sets bit 0x100 of options word 2 from
// m_bTargetsInTurn first; the id is written as it is.
void WriteTaskBody(CArchiveWriter& ar, CElement& task);

// Reads one body into a freshly constructed record and applies what depends on the format
// alone: the old-layout values, the mask conversion, the criterion shift, m_bTargetsInTurn from
// its bit and upper-cased masks. An old "1.10" body draws its id from the task counter.
// Throws CArchiveError on damage.
void ReadTaskBody(CArchiveReader& ar, CElement& task, const CBodyFormat& format);

// The body of a list older than 469, with the values such lists did not have.
void ReadOldTaskBody(CArchiveReader& ar, CElement& task, const CBodyFormat& format);

// The location and schedule bodies that task bodies embed.
void WriteTagBody(CArchiveWriter& ar, const CTag& tag);
void ReadTagBody(CArchiveReader& ar, CTag& tag, int version);
void WriteTargets(CArchiveWriter& ar, const std::vector<CTag>& targets);
void ReadTargets(CArchiveReader& ar, std::vector<CTag>& targets, int version);
void WriteScheduleBody(CArchiveWriter& ar, const CSchedule& schedule);
void ReadScheduleBody(CArchiveReader& ar, CSchedule& schedule);
// The schedule of "1.20" lists, whose values are read and dropped.
void SkipOldScheduleBody(CArchiveReader& ar);

// The masks of lists 469 to 553 were bare extensions ("doc txt;bak"); they become wildcard
// masks ("*.doc *.txt *.bak"). Empty pieces between separators are skipped.
std::string ConvertOldMasks(const std::string& extensions);

}  // namespace tv
