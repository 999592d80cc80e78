#include "platform/DiscImage.h"

#include <libisofs/libisofs.h>

#include <memory>
#include <mutex>
#include <unordered_map>

namespace tv {

namespace {

constexpr char kVolumeId[] = "TWINVALE";
constexpr size_t kMessageBytes = 4096;  // what iso_obtain_msgs may fill

struct ImageFree {
    void operator()(IsoImage* image) const { iso_image_unref(image); }
};
struct OptsFree {
    void operator()(IsoWriteOpts* opts) const { iso_write_opts_free(opts); }
};

// The libraries take their texts as char*, never writing to them.
char* Mutable(const char* text) {
    return const_cast<char*>(text);
}

std::string IsoErrorText(int code) {
    const char* text = iso_error_to_msg(code);
    return text ? text : "ISO image error";
}

std::string ParentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string LeafOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Large files take several extents (level 3); names keep their case and length as far as each
// of the three name trees allows.
std::unique_ptr<IsoWriteOpts, OptsFree> MakeWriteOptions() {
    IsoWriteOpts* opts = nullptr;
    if (iso_write_opts_new(&opts, 0) < 0) {
        return nullptr;
    }
    iso_write_opts_set_iso_level(opts, 3);
    iso_write_opts_set_rockridge(opts, 1);
    iso_write_opts_set_joliet(opts, 1);
    iso_write_opts_set_joliet_longer_paths(opts, 1);
    iso_write_opts_set_joliet_long_names(opts, 1);
    iso_write_opts_set_allow_deep_paths(opts, 1);
    iso_write_opts_set_always_gmt(opts, 1);
    iso_write_opts_set_output_charset(opts, "UTF-8");
    return std::unique_ptr<IsoWriteOpts, OptsFree>(opts);
}

bool AddEntries(IsoImage* image, const std::vector<CDiscImageEntry>& entries, std::string& error) {
    std::unordered_map<std::string, IsoDir*> folders{{std::string(), iso_image_get_root(image)}};
    for (const CDiscImageEntry& entry : entries) {
        const auto parent = folders.find(ParentOf(entry.m_strImagePath));
        if (parent == folders.end()) {
            error = entry.m_strImagePath + ": no folder to hold it";
            return false;
        }
        const std::string leaf = LeafOf(entry.m_strImagePath);
        int result = 0;
        if (entry.m_strLocalPath.empty()) {
            IsoDir* dir = nullptr;
            result = iso_tree_add_new_dir(parent->second, leaf.c_str(), &dir);
            folders.emplace(entry.m_strImagePath, dir);
        } else {
            result = iso_tree_add_new_node(image, parent->second, leaf.c_str(),
                                           entry.m_strLocalPath.c_str(), nullptr);
        }
        if (result < 0) {
            error = entry.m_strLocalPath.empty() ? entry.m_strImagePath : entry.m_strLocalPath;
            error += ": " + IsoErrorText(result);
            return false;
        }
    }
    return true;
}

}  // namespace

void InitImageLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        iso_init();
        iso_set_local_charset(Mutable("UTF-8"), 0);
        iso_set_msgs_severities(Mutable("ALL"), Mutable("NEVER"), Mutable(""));
        iso_set_abort_severity(Mutable("MISHAP"));
    });
}

std::string TakeImageMessages(const char* severity) {
    std::string text;
    char message[kMessageBytes];
    char grade[80];
    int code = 0;
    int imageId = 0;
    while (iso_obtain_msgs(Mutable(severity), &code, &imageId, message, grade) > 0) {
        text += (text.empty() ? "" : "; ") + std::string(message);
    }
    return text;
}

burn_source* MakeDiscImage(const std::vector<CDiscImageEntry>& entries, std::string& error) {
    IsoImage* raw = nullptr;
    if (iso_image_new(kVolumeId, &raw) < 0) {
        error = "cannot start an ISO image";
        return nullptr;
    }
    const std::unique_ptr<IsoImage, ImageFree> image(raw);
    // The scan followed links, so the disc carries what they lead to.
    iso_tree_set_follow_symlinks(raw, 1);
    if (!AddEntries(raw, entries, error)) {
        return nullptr;
    }
    const auto opts = MakeWriteOptions();
    burn_source* source = nullptr;
    const int made = opts ? iso_image_create_burn_source(raw, opts.get(), &source) : -1;
    if (made < 0) {
        error = IsoErrorText(made);
        return nullptr;
    }
    return source;
}

}  // namespace tv
