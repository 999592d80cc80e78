#include "platform/SftpReplace.h"

#include <cerrno>

namespace tv {

int PutUploadInPlace(ISftpPlacer& session, CUploadLeftovers& leftovers, UploadTarget target) {
    const std::string& temp = leftovers.m_temp;
    const std::string& name = leftovers.m_target;
    if (target == UploadTarget::Absent) {
        int error = session.Rename(temp, name);
        if (error == 0 || !session.Whole()) {
            return error;
        }
    }
    const std::string aside = temp + "-old";
    int error = session.Rename(name, aside);
    if (error != 0 && error != ENOENT && session.Whole()) {
        // What an interrupted replace left under the aside name may stand in the way; the
        // target still holds the old contents then.
        session.Remove(aside);
        error = session.Whole() ? session.Rename(name, aside) : error;
    }
    if (!session.Whole()) {
        return error;
    }
    leftovers.m_bSteppedAside = error == 0;
    error = session.Rename(temp, name);
    if (error == 0 && leftovers.m_bSteppedAside) {
        // Left there, it is only a hidden name that the next upload of the file removes.
        session.Remove(aside);
    }
    return error;
}

void RestoreUploadLeftovers(ISftpPlacer& session, CUploadLeftovers& leftovers) {
    if (leftovers.m_bSteppedAside) {
        session.Rename(leftovers.m_temp + "-old", leftovers.m_target);
    }
    if (session.Whole()) {
        session.Remove(leftovers.m_temp);
    }
    if (session.Whole()) {
        leftovers = {};
    }
}

}  // namespace tv
