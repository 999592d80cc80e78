#include "base/StringTable.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <ostream>
#include <shared_mutex>

#include "base/PrintfFormat.h"

namespace tv {

namespace {

std::map<int, std::string>& BuiltIn() {
    static std::map<int, std::string> table = {
        {IDS_INVESTIGATING, "Investigating directories"},
        {IDS_COPYING_FILES, "Copying files"},
        {IDS_COMPARING_ATTRIBUTES, "Comparing files attributes"},
        {IDS_TASK_CANCELED, "Task canceled by user "},
        {IDS_LOG_CREATE_ERROR, "Error occurred while creating the log file"},
        {IDS_TASK_ENDED_WITH_ERROR, "Task ended with error"},
        {IDS_ERR_INVESTIGATING_SOURCE, "Error while investigating source directory"},
        {IDS_ERR_INVESTIGATING_TARGET, "Error while investigating target directory"},
        {IDS_CANT_OPEN, "Can't open %s"},
        {IDS_CONTINUE_QUESTION, ". Continue?"},
        {IDS_CANT_CLOSE_LOG, "Can't close log file: "},
        {IDS_SOURCE_MISSING, "Source doesn't exist."},
        {IDS_TARGET_MISSING, "Target doesn't exist."},
        {IDS_ARCHIVING_FILES, "Archiving files"},
        {IDS_ARCHIVE_MISSING, "Archive file doesn't exist."},
        {IDS_NOT_FOUND, "%s not found"},
        {IDS_NEW_TASK, "NEW TASK"},
        {IDS_LANGUAGE_NAME, "English"},
        {IDS_WRITING_SNAPSHOT, "Writing snapshot..."},
        {IDS_UPLOADING_ZIP, "Uploading zip file..."},
        {IDS_DOWNLOADING_ZIP, "Downloading zip file..."},
        {IDS_ERASING_CD, "Erasing CD-RW..."},
        {IDS_ERASE_CD_ERROR, "Error while erasing CD"},
        {IDS_ERASE_CD_DONE, "Erasing CD-RW finished"},
        {IDS_BURNING_CD, "Burning CD-RW..."},
        {IDS_BURNING_CD_DONE, "Burning CD-RW finished"},
        {IDS_BURN_CD_ERROR, "Error while burning CD"},
        {IDS_PREPARING_CD_IMAGE, "Preparing CD image"},
        {IDS_LOG_ERRORS, "Errors:"},
        {IDS_LOG_COPIED_FROM_SOURCE, "Files copied from source (%d files):"},
        {IDS_LOG_COPIED_FROM_TARGET, "Files copied from target (%d files):"},
        {IDS_LOG_DELETED_IN_TARGET, "Deleted in target (%d files):"},
        {IDS_LOG_CREATED_DIRS_IN_SOURCE, "Created dirs in source (%d dirs):"},
        {IDS_LOG_CREATED_DIRS_IN_TARGET, "Created dirs in target (%d dirs):"},
        {IDS_LOG_DELETED_DIRS_IN_TARGET, "Deleted dirs in target (%d dirs):"},
        {IDS_LOG_SOURCE, "Source"},
        {IDS_LOG_TARGET, "Target"},
        {IDS_LOG_DELETED_IN_SOURCE, "Deleted in source (%d files):"},
        {IDS_LOG_DELETED_DIRS_IN_SOURCE, "Deleted dirs in source (%d):"},
        {IDS_LOG_TOTAL_COPIED, "Total files copied: %d"},
        {IDS_LOG_TOTAL_DELETED, "Total files deleted: %d"},
        {IDS_FTP_PREFIX, "(FTP)"},
        {IDS_CANT_OPEN_FILE, "Can't open file"},
        {IDS_CANT_SAVE_TASK_LIST, "Can't save task list"},
        {IDS_LIST_DAMAGED, "The task list is damaged; only the complete tasks were loaded."},
        {IDS_NOT_A_TASK_LIST, "The file is not a task list."},
        {IDS_CANT_COMPARE, "Can't compare %s: %s"},
        {IDS_NO_DISPLAY,
         "The main window needs a display: neither DISPLAY nor WAYLAND_DISPLAY is set."},
        {IDS_RUNS_LATER, "Running tasks from the command line is not available in this version."},
        {IDS_ERR_INVESTIGATING_DIR, "Error while investigating dir %s"},
        {IDS_ACCESS_DENIED, "Access is denied."},
        {IDS_ERROR_CODE, "Error code: %d"},
        {IDS_CANT_COPY_FILE, "Can't copy file: %s"},
        {IDS_CANT_DELETE_FILE, "Can't delete file: %s"},
        {IDS_CANT_CREATE_DIR, "Can't create dir: %s"},
        {IDS_CANT_REMOVE_DIR, "Can't remove dir %s"},
        {IDS_CANT_COPY_ATTRIBUTES, "Can't copy file attributes to %s"},
        {IDS_ITEM_DELETED, "%s deleted"},
        {IDS_DISK_FULL, "There is not enough space on the disk"},
        {IDS_CHANGED_DURING_RUN, "%s changed during the run and was left as it is"},
        {IDS_CREATED_AFTER_START, "%s was created after task was started."},
        {IDS_FOLDER_CREATED, "%s created"},
        {IDS_BOTH_CHANGED,
         "Both Source %s and Target %s were changed since the last synchronization."},
        {IDS_OVERWRITE_TARGET,
         "Both Source %s and Target %s were changed since the last synchronization. \nOverwrite "
         "Target by Source (Target changes will be lost)?"},
        {IDS_OVERWRITE_SOURCE,
         "Both Source %s and Target %s were changed since the last synchronization. \nOverwrite "
         "Source by Target (source changes will be lost)?"},
        {IDS_TASK_STARTED, "Task started: "},
        {IDS_TASK_ENDED, "Task ended: "},
        {IDS_STOP_ALL_TASKS, "Stop all tasks?"},
        {IDS_PREVIEW_CAPTION, "Task: %d  "},
        {IDS_EMPTY_SIDE_QUESTION,
         "The folder %s is empty (a drive that is not mounted looks like this), and the run "
         "would delete %d files in %s because of it. Continue?"},
        {IDS_EMPTY_SIDE_SKIPPED, "%s was left as it is: the folder %s is empty."},
        {IDS_UNANSWERED_IGNORE, "Nobody could answer \"%s\": Ignore was taken."},
        {IDS_UNANSWERED_NO, "Nobody could answer \"%s\": No was taken."},
        {IDS_FOLDER_KEPT_UNCOMPARED,
         "%s was kept: it holds %s, which this run did not compare (filtered out, or new since "
         "the folders were investigated)."},
        {IDS_LINK_LEAVES_ROOT, "%s leads to %s, outside %s: nothing was changed through it."},
        {IDS_NAME_TAKEN,
         "%s was passed over: its name on the target, %s, is already that of an entry before "
         "it."},
        {IDS_RECORD_IN_MEMORY,
         "The list of what this run did could not be kept in %s (%s); the rest of it is held in "
         "memory."},
        {IDS_NOTHING_TO_RUN,
         "There is no task to run: make one with NEW TASK, or open a task list."},
        {IDS_NOTHING_SELECTED, "No task is selected: select the tasks to run in the list."},
        {IDS_REALTIME_PASSED_OVER,
         "Not run, since real-time tasks cannot be started in this version yet: %s"},
        {IDS_WAITING_FOR_CANCELED,
         "The running tasks are being canceled; the task list follows once they have ended."},
        {IDS_REPLACE_EXISTING, "%s already exists.\nDo you want to replace it?"},
        {IDS_REMOTE_CONNECT_FAILED, "Can't connect to %s: %s"},
        {IDS_HOST_KEY_QUESTION,
         "The server %s is not known yet. Its %s host key has the fingerprint\n%s\nTrust this "
         "key, add it to your known hosts and connect?"},
        {IDS_REMOTE_NAME_REFUSED, "%s was passed over: its name could lead outside its folder."},
        {IDS_CERTIFICATE_QUESTION,
         "The server %s presents a certificate that is not trusted:\n%s\nSHA-256 fingerprint: "
         "%s\nTrust this certificate for this server and connect?"},
        {IDS_NO_PASSWORD, "%s: no password was given."},
        {IDS_STARTED_BY_SCHEDULER, "(started by the scheduler)"},
        {IDS_LOG_KEPT_FILES, "Replaced and deleted files were kept in:"},
        {IDS_KEPT_TRASH_PASSED_OVER, "%s (the trash could not take them: %s)"},
        {IDS_KEPT_NOWHERE, "%s cannot keep replaced and deleted files: they were deleted there."},
        {IDS_PREVIEW_KEEP_TRASH, "Files that this run replaces or deletes go to the Trash."},
        {IDS_PREVIEW_KEEP_VERSIONS,
         "Files that this run replaces or deletes are kept for %d days in the folder %s of each "
         "side."},
        {IDS_TEST_MESSAGE, "Test message"},
        {IDS_TASK_FINISHED_OK, "Task %s finished successfully"},
        {IDS_TASK_FINISHED_ERRORS, "Task %s finished with errors"},
        {IDS_LIVE_STARTED, "Real-time synchronization of %s started"},
        {IDS_LIVE_STOPPED, "Real-time synchronization stopped"},
        {IDS_LIVE_COPIED, "Copied %s"},
        {IDS_LIVE_DELETED, "Deleted %s"},
        {IDS_LIVE_RENAMED, "Renamed %s to %s"},
        {IDS_LIVE_FAILED, "Error: %s: %s"},
        {IDS_LIVE_EVENTS_LOST, "Changes came faster than they could be followed"},
        {IDS_LIVE_WATCH_LIMIT,
         "The system's limit of watched folders is reached: the targets are synchronized in full "
         "every minute"},
        {IDS_LIVE_SOURCE_GONE, "The source folder %s is gone"},
        {IDS_LIVE_CANNOT_WATCH, "Cannot watch %s: %s"},
        {IDS_LIVE_FULL_SYNC, "Full synchronization of the targets"},
        {IDS_LIVE_FULL_SYNC_FAILED, "The full synchronization of the targets did not complete"},
        {IDS_LIVE_USAGE, "usage: tvservice NAME SOURCE TARGET..."},
        {IDS_ZIP_DAMAGED, "Damaged or not a zip file: %s"},
        {IDS_ZIP_ENTRY_REFUSED, "%s was not extracted: its name leads outside %s."},
        {IDS_ZIP_LINK_NOT_RESTORED, "%s was not extracted: symbolic links are not restored."},
        {IDS_ZIP_UPLOAD_ERROR, "Error while uploading zip file: %s"},
        {IDS_ZIP_WRITE_ERROR, "Can't write the archive %s: %s"},
        {IDS_ZIP_DOWNLOAD_ERROR, "Can't download the archive %s: %s"},
        {IDS_SMTP_NO_SOCKET, "Unable to create the socket."},
        {IDS_SMTP_NO_CONNECT, "Unable to connect to server"},
        {IDS_SMTP_NO_GREETING, "Server didn't respond."},
        {IDS_SMTP_NOT_CONNECTED, "Must be connected"},
        {IDS_SMTP_NO_RECIPIENTS, "No Recipients"},
        {IDS_SMTP_SOCKET_ERROR, "Socket Error"},
        {IDS_SMTP_SERVER_ERROR, "SMTP server error"},
        {IDS_SMTP_NOT_AVAILABLE, "SMTP server not available"},
        {IDS_SMTP_NOT_READY, "SMTP server not ready for data"},
        {IDS_MAIL_ERROR_REPORT, "%s (Task %d) Error report"},
        {IDS_MAIL_FULL_REPORT, "%s (Task %d) Full report"},
        {IDS_MAIL_SUMMARY_REPORT, "%s (Task %d) Summary report"},
        {IDS_SMTP_TIMED_OUT, "The mail server did not answer within %d seconds."},
        {IDS_SMTP_TLS_FAILED, "No secure connection to the mail server: %s"},
        {IDS_SMTP_NO_STARTTLS, "The mail server offers no secure connection (STARTTLS)."},
        {IDS_SMTP_AUTH_FAILED, "The mail server refused the user name or password: %s"},
        {IDS_SMTP_NO_AUTH, "The mail server offers no login that can be used (PLAIN or LOGIN)."},
        {IDS_SMTP_RECIPIENT_REFUSED, "The mail server refused the recipient %s: %s"},
        {IDS_MAIL_BAD_RECIPIENT, "Not a usable recipient, so no mail went to it: %s"},
        {IDS_MAIL_BAD_SENDER, "Not a usable sender address: %s"},
        {IDS_SMTP_CANCELED, "Sending the mail was canceled."},
        {IDS_NETSEND_NOT_LOCAL,
         "The message to %s was not delivered: messages go to this computer (%s) only."},
        {IDS_NETSEND_FAILED, "The message could not be shown on this computer: %s"},
        {IDS_DISC_NOT_READY, "%s: no disc recorder, or no medium that can be written in it."},
        {IDS_DISC_ERASE_FAILED, "Error while erasing CD %s: %s"},
        {IDS_DISC_BURN_FAILED, "Error while burning CD %s: %s"},
        {IDS_DISC_BURN_PROGRESS, "Burning CD-RW: %d%% at %d KB/s"},
        {IDS_DISC_SOURCE_KEPT,
         "The source files were not deleted: they are on the disc %s only once it is burnt."},
        {IDS_DISC_TEMP_FAILED, "Can't make a temporary folder for the disc image in %s: %s"},
        {IDS_STEP_SKIP, "skip"},
        {IDS_STEP_COPY_TO_TARGET, "copy to target"},
        {IDS_STEP_COPY_TO_SOURCE, "copy to source"},
        {IDS_STEP_COPY_TO_THIRD, "copy to the third place"},
        {IDS_STEP_ADD_TO_ARCHIVE, "add to archive"},
        {IDS_STEP_DELETE_IN_SOURCE, "delete in source"},
        {IDS_STEP_DELETE_IN_TARGET, "delete in target"},
        {IDS_STEP_ATTRIBUTES_TO_TARGET, "copy attributes to target"},
        {IDS_STEP_ATTRIBUTES_TO_SOURCE, "copy attributes to source"},
        {IDS_STEP_TIMES_TO_TARGET, "copy timestamps to target"},
        {IDS_STEP_TIMES_TO_SOURCE, "copy timestamps to source"},
        {IDS_STEP_CREATE_IN_TARGET, "create folder in target"},
        {IDS_STEP_CREATE_IN_SOURCE, "create folder in source"},
        {IDS_STEP_REMOVE_IN_TARGET, "remove folder in target"},
        {IDS_STEP_REMOVE_IN_SOURCE, "remove folder in source"},
        {IDS_STEP_DELETE_SOURCE_AFTER, "delete in source after the copy"},
        {IDS_WHY_EQUAL, "no difference under the comparison criterion"},
        {IDS_WHY_NEWER_IN_SOURCE, "newer in source by %s s"},
        {IDS_WHY_NEWER_IN_TARGET, "newer in target by %s s"},
        {IDS_WHY_SIZES_DIFFER, "sizes differ (%s and %s bytes)"},
        {IDS_WHY_TIMES_DIFFER, "times differ by %s s"},
        {IDS_WHY_CONTENTS_DIFFER, "contents differ"},
        {IDS_WHY_ATTRIBUTES_DIFFER, "only the attributes differ"},
        {IDS_WHY_TARGET_NEWER_WANTED,
         "newer in target by %s s, and \"Transfer only if target file is newer\" is on"},
        {IDS_WHY_REPLACE_DIFFERS,
         "differs from the target (%s), and Replace makes the target equal to the source"},
        {IDS_WHY_TIMES_TO_EQUALIZE, "equal sizes, times differ by %s s"},
        {IDS_WHY_RESTORE, "the source file differs from its backup (%s)"},
        {IDS_WHY_ONLY_IN_SOURCE, "only in source"},
        {IDS_WHY_ONLY_IN_TARGET, "only in target"},
        {IDS_WHY_DELETE_FROM_TARGET,
         "only in target, and \"Del files from target if not in source\" is on"},
        {IDS_WHY_REPLACE_REMOVES,
         "only in target, and Replace makes the target equal to the source"},
        {IDS_WHY_DELETED_FROM_TARGET, "deleted from target since the last synchronization"},
        {IDS_WHY_DELETED_FROM_SOURCE, "deleted from source since the last synchronization"},
        {IDS_WHY_CONFLICT_REFUSED,
         "both files changed since the last synchronization, and the question was answered No"},
        {IDS_WHY_TARGET_NEWER_KEPT, "newer in target by %s s: this run does not copy it back"},
        {IDS_WHY_SOURCE_NEWER_UNWANTED,
         "newer in source by %s s, and \"Transfer only if target file is newer\" is on"},
        {IDS_WHY_NOT_ON_TARGET,
         "only in source, and \"Transfer only if files are on target\" is on"},
        {IDS_WHY_TARGET_KEPT,
         "only in target, and \"Del files from target if not in source\" is off"},
        {IDS_WHY_ONE_SIDED_KEPT, "only on one side, and this run copies nothing across"},
        {IDS_WHY_SIZES_KEPT,
         "sizes differ (%s and %s bytes): only files of equal size take timestamps"},
        {IDS_WHY_LISTING_CUT,
         "a listing of the other side was cut short: the file may be there unseen"},
        {IDS_WHY_EXCLUDED_BY_MASK, "excluded by mask %s"},
        {IDS_WHY_NOT_INCLUDED, "not matched by the include masks %s"},
        {IDS_WHY_OVER_SIZE_LIMIT, "larger than the size limit"},
        {IDS_WHY_OUTSIDE_TIME_LIMIT, "excluded by the time filter"},
        {IDS_WHY_EXCLUDED_ITEM, "listed among the excluded items"},
        {IDS_WHY_DELETE_SOURCE_AFTER,
         "\"Delete source files after task finishing\" is on, and the target holds the file"},
        {IDS_WHY_TARGET_FOLDER_MISSING, "the target folder is missing, and the task creates it"},
        {IDS_DRY_HEADER, "Dry run of task %d: %s"},
        {IDS_DRY_COUNTS,
         "Dry run: %s to copy, %s to delete, %s other changes, %s skipped; nothing was changed."},
        {IDS_DRY_ARCHIVE_RESTORE,
         "Restore unpacks every file of the archive %s into %s; a dry run does not read the "
         "archive to list them."},
        {IDS_DRY_WOULD_ASK, "The run would ask first: %s"},
        {IDS_DRY_NOT_STARTED, "Not done in a dry run: %s"},
        {IDS_WHY_FOLDER_EMPTIED, "it holds nothing once its files are deleted after the copy"},
        {IDS_LIVE_CHANGED_WHILE_COPIED,
         "%s changed while it was being copied; it will be copied again"},
        {IDS_LANGUAGE_NOT_FOUND,
         "The language %s was chosen, but no readable file of it is in %s: the texts stay in "
         "English"},
        {IDS_MAIL_SETTINGS_NOT_SAVED,
         "The mail server settings could not be saved; the ones saved before stay."},
        {IDS_KEEP_SETTING_NOT_SAVED,
         "What runs do with the files they delete or overwrite could not be saved; the choice "
         "saved before stays."},
    };
    return table;
}

struct CLanguage {
    std::shared_mutex mutex;
    std::map<int, std::string> texts;
};

std::shared_mutex& BuiltInMutex() {
    static std::shared_mutex mutex;
    return mutex;
}

CLanguage& Language() {
    static CLanguage language;
    return language;
}

// A line of a language file holds no line break of its own, so texts spell theirs out.
std::string Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
            out += text[i + 1] == 'n' ? '\n' : '\\';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::string> BuiltInText(int id) {
    std::shared_lock lock(BuiltInMutex());
    const auto& table = BuiltIn();
    const auto it = table.find(id);
    return it != table.end() ? std::optional(it->second) : std::nullopt;
}

// Whether `text` may be formatted with the arguments of `builtIn`, or of any text that a part
// of the program may add later when there is none yet.
bool CanStandFor(const std::string& text, const std::optional<std::string>& builtIn) {
    const auto arguments = PrintfArguments(text);
    if (!arguments) {
        return false;
    }
    return builtIn ? arguments == PrintfArguments(*builtIn) : arguments->empty();
}

void WarnRejected(const std::string& path, const std::vector<int>& ids, std::ostream& warnings) {
    constexpr size_t kNamed = 10;
    warnings << "mirrant: warning: " << path << ": " << ids.size()
             << (ids.size() == 1 ? " text was" : " texts were")
             << " refused, the built-in ones stay: their printf conversions differ from the "
                "built-in texts' (";
    for (size_t i = 0; i < ids.size() && i < kNamed; ++i) {
        warnings << (i ? ", " : "") << ids[i];
    }
    warnings << (ids.size() > kNamed ? ", ...)" : ")") << std::endl;
}

}  // namespace

std::string LoadString(int id) {
    auto& lang = Language();
    {
        std::shared_lock lock(lang.mutex);
        if (const auto it = lang.texts.find(id); it != lang.texts.end()) {
            return it->second;
        }
    }
    return LoadBuiltInString(id);
}

std::string LoadBuiltInString(int id) {
    return BuiltInText(id).value_or(std::string());
}

void AddBuiltInStrings(std::initializer_list<std::pair<int, const char*>> texts) {
    std::unique_lock lock(BuiltInMutex());
    for (const auto& [id, text] : texts) {
        BuiltIn().emplace(id, text);
    }
}

bool ParseLanguageLine(std::string_view line, int* id, std::string_view* text) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq == 0) {
        return false;
    }
    // A number as scanf would read one, without its undefined behaviour beyond int range.
    size_t start = line.find_first_not_of(" \t\n\v\f\r");
    start += start < eq && line[start] == '+' && line[start + 1] != '-' ? 1 : 0;
    const auto [end, error] = std::from_chars(line.data() + start, line.data() + eq, *id);
    if (error != std::errc()) {
        return false;
    }
    *text = line.substr(eq + 1);
    return true;
}

CLanguageTexts ReadLanguageTexts(std::string_view content) {
    CLanguageTexts result;
    while (!content.empty()) {
        const size_t end = content.find('\n');
        const std::string_view line = content.substr(0, end);
        content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
        int id = 0;
        std::string_view written;
        if (!ParseLanguageLine(line, &id, &written)) {
            continue;
        }
        std::string text = Unescape(written);
        if (CanStandFor(text, BuiltInText(id))) {
            result.m_Texts[id] = std::move(text);
        } else {
            result.m_Rejected.push_back(id);
        }
    }
    return result;
}

void UseLanguageTexts(std::string_view content, const std::string& fileName,
                      std::ostream& warnings) {
    CLanguageTexts texts = ReadLanguageTexts(content);
    if (!texts.m_Rejected.empty()) {
        WarnRejected(fileName, texts.m_Rejected, warnings);
    }
    auto& lang = Language();
    std::unique_lock lock(lang.mutex);
    lang.texts = std::move(texts.m_Texts);
}

void ResetLanguage() {
    auto& lang = Language();
    std::unique_lock lock(lang.mutex);
    lang.texts.clear();
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out(needed > 0 ? static_cast<size_t>(needed) : 0, '\0');
    if (needed > 0) {
        std::vsnprintf(out.data(), out.size() + 1, format, args);
    }
    va_end(args);
    return out;
}

}  // namespace tv
