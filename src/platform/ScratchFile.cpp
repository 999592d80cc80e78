#include "platform/ScratchFile.h"

#include "platform/FileSystem.h"
#include "platform/Folders.h"

namespace tv {

CScratchFile::~CScratchFile() {
    if (m_file >= 0) {
        m_pFs->Close(m_file);
    }
}

int CScratchFile::Open(IFileSystem& fs, const std::string& folder) {
    if (m_file >= 0) {
        return 0;
    }
    int err = 0;
    if (!EnsurePrivateFolder(fs, folder, &err)) {
        return err;
    }
    m_pFs = &fs;
    return fs.CreateScratch(folder, m_file);
}

int CScratchFile::Write(uint64_t offset, std::string_view bytes) {
    size_t written = 0;
    return m_pFs->Write(m_file, offset, bytes.data(), bytes.size(), written);
}

int CScratchFile::Read(uint64_t offset, void* buffer, size_t size, size_t& got) const {
    return m_pFs->Read(m_file, offset, buffer, size, got);
}

}  // namespace tv
