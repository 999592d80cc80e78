#pragma once

#include <initializer_list>
#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tv {

// Ids of the program's texts. Where a text travels in a message its id is fixed by the
// protocol; texts that never travel by id take ids from 20000 on.
enum StringId : int {
    IDS_INVESTIGATING = 103,
    IDS_COPYING_FILES = 104,
    IDS_COMPARING_ATTRIBUTES = 105,
    IDS_TASK_CANCELED = 112,
    IDS_LOG_CREATE_ERROR = 114,
    IDS_TASK_ENDED_WITH_ERROR = 115,
    IDS_ERR_INVESTIGATING_SOURCE = 119,
    IDS_ERR_INVESTIGATING_TARGET = 120,
    IDS_CANT_OPEN = 121,
    IDS_CONTINUE_QUESTION = 129,
    IDS_CANT_CLOSE_LOG = 140,
    IDS_SOURCE_MISSING = 143,
    IDS_TARGET_MISSING = 144,
    IDS_ARCHIVING_FILES = 162,
    IDS_ARCHIVE_MISSING = 164,
    IDS_NOT_FOUND = 248,
    IDS_NEW_TASK = 261,
    IDS_LANGUAGE_NAME = 456,
    IDS_WRITING_SNAPSHOT = 492,
    IDS_UPLOADING_ZIP = 497,
    IDS_DOWNLOADING_ZIP = 500,
    IDS_ERASING_CD = 521,
    IDS_ERASE_CD_ERROR = 522,
    IDS_ERASE_CD_DONE = 523,
    IDS_BURNING_CD = 524,
    IDS_BURNING_CD_DONE = 525,
    IDS_BURN_CD_ERROR = 526,
    IDS_PREPARING_CD_IMAGE = 527,
    IDS_LOG_ERRORS = 132,
    IDS_LOG_COPIED_FROM_SOURCE = 133,
    IDS_LOG_COPIED_FROM_TARGET = 134,
    IDS_LOG_DELETED_IN_TARGET = 135,
    IDS_LOG_CREATED_DIRS_IN_SOURCE = 136,
    IDS_LOG_CREATED_DIRS_IN_TARGET = 137,
    IDS_LOG_DELETED_DIRS_IN_TARGET = 138,
    IDS_LOG_SOURCE = 251,
    IDS_LOG_TARGET = 252,
    IDS_LOG_DELETED_IN_SOURCE = 494,
    IDS_LOG_DELETED_DIRS_IN_SOURCE = 506,
    IDS_LOG_TOTAL_COPIED = 507,
    IDS_LOG_TOTAL_DELETED = 508,

    IDS_FTP_PREFIX = 20000,
    IDS_CANT_OPEN_FILE,
    IDS_CANT_SAVE_TASK_LIST,
    IDS_LIST_DAMAGED,
    IDS_NOT_A_TASK_LIST,
    IDS_CANT_COMPARE,
    IDS_NO_DISPLAY,
    IDS_RUNS_LATER,
    IDS_ERR_INVESTIGATING_DIR,
    IDS_ACCESS_DENIED,
    IDS_ERROR_CODE,
    IDS_CANT_COPY_FILE,
    IDS_CANT_DELETE_FILE,
    IDS_CANT_CREATE_DIR,
    IDS_CANT_REMOVE_DIR,
    IDS_CANT_COPY_ATTRIBUTES,
    IDS_ITEM_DELETED,
    IDS_DISK_FULL,
    IDS_CHANGED_DURING_RUN,
    IDS_CREATED_AFTER_START,
    IDS_FOLDER_CREATED,
    IDS_BOTH_CHANGED,
    IDS_OVERWRITE_TARGET,
    IDS_OVERWRITE_SOURCE,
    IDS_TASK_STARTED,
    IDS_TASK_ENDED,
    IDS_STOP_ALL_TASKS,
    IDS_PREVIEW_CAPTION,
    IDS_EMPTY_SIDE_QUESTION,
    IDS_EMPTY_SIDE_SKIPPED,
    IDS_UNANSWERED_IGNORE,
    IDS_UNANSWERED_NO,
    IDS_FOLDER_KEPT_UNCOMPARED = 20040,
    IDS_LINK_LEAVES_ROOT,
    IDS_NAME_TAKEN,
    IDS_RECORD_IN_MEMORY = 20070,
    IDS_NOTHING_TO_RUN = 20150,
    IDS_NOTHING_SELECTED,
    IDS_REALTIME_PASSED_OVER,
    IDS_WAITING_FOR_CANCELED,
    IDS_REPLACE_EXISTING,
    IDS_REMOTE_CONNECT_FAILED = 20600,
    IDS_HOST_KEY_QUESTION,
    IDS_REMOTE_NAME_REFUSED,
    IDS_CERTIFICATE_QUESTION,
    IDS_NO_PASSWORD,
    IDS_STARTED_BY_SCHEDULER = 20790,
    IDS_TEST_MESSAGE = 441,
    IDS_TASK_FINISHED_OK = 447,
    IDS_TASK_FINISHED_ERRORS = 448,
    IDS_LIVE_STARTED = 20880,
    IDS_LIVE_STOPPED,
    IDS_LIVE_COPIED,
    IDS_LIVE_DELETED,
    IDS_LIVE_RENAMED,
    IDS_LIVE_FAILED,
    IDS_LIVE_EVENTS_LOST,
    IDS_LIVE_WATCH_LIMIT,
    IDS_LIVE_SOURCE_GONE,
    IDS_LIVE_CANNOT_WATCH,
    IDS_LIVE_FULL_SYNC,
    IDS_LIVE_FULL_SYNC_FAILED,
    IDS_LIVE_USAGE,
    IDS_ZIP_DAMAGED = 20900,
    IDS_ZIP_ENTRY_REFUSED,
    IDS_ZIP_LINK_NOT_RESTORED,
    IDS_ZIP_UPLOAD_ERROR,
    IDS_ZIP_WRITE_ERROR,
    IDS_ZIP_DOWNLOAD_ERROR,
    IDS_SMTP_NO_SOCKET = 20950,
    IDS_SMTP_NO_CONNECT,
    IDS_SMTP_NO_GREETING,
    IDS_SMTP_NOT_CONNECTED,
    IDS_SMTP_NO_RECIPIENTS,
    IDS_SMTP_SOCKET_ERROR,
    IDS_SMTP_SERVER_ERROR,
    IDS_SMTP_NOT_AVAILABLE,
    IDS_SMTP_NOT_READY,
    IDS_MAIL_ERROR_REPORT,
    IDS_MAIL_FULL_REPORT,
    IDS_MAIL_SUMMARY_REPORT,
    IDS_SMTP_TIMED_OUT,
    IDS_SMTP_TLS_FAILED,
    IDS_SMTP_NO_STARTTLS,
    IDS_SMTP_AUTH_FAILED,
    IDS_SMTP_NO_AUTH,
    IDS_SMTP_RECIPIENT_REFUSED,
    IDS_MAIL_BAD_RECIPIENT,
    IDS_MAIL_BAD_SENDER,
    IDS_SMTP_CANCELED,
    IDS_NETSEND_NOT_LOCAL,
    IDS_NETSEND_FAILED,
    IDS_DISC_NOT_READY = 21050,
    IDS_DISC_ERASE_FAILED,
    IDS_DISC_BURN_FAILED,
    IDS_DISC_BURN_PROGRESS,
    IDS_DISC_SOURCE_KEPT,
    IDS_DISC_TEMP_FAILED,
    IDS_LOG_KEPT_FILES = 21130,
    IDS_KEPT_TRASH_PASSED_OVER,
    IDS_KEPT_NOWHERE,
    IDS_PREVIEW_KEEP_TRASH,
    IDS_PREVIEW_KEEP_VERSIONS,
    IDS_STEP_SKIP = 21170,
    IDS_STEP_COPY_TO_TARGET,
    IDS_STEP_COPY_TO_SOURCE,
    IDS_STEP_COPY_TO_THIRD,
    IDS_STEP_ADD_TO_ARCHIVE,
    IDS_STEP_DELETE_IN_SOURCE,
    IDS_STEP_DELETE_IN_TARGET,
    IDS_STEP_ATTRIBUTES_TO_TARGET,
    IDS_STEP_ATTRIBUTES_TO_SOURCE,
    IDS_STEP_TIMES_TO_TARGET,
    IDS_STEP_TIMES_TO_SOURCE,
    IDS_STEP_CREATE_IN_TARGET,
    IDS_STEP_CREATE_IN_SOURCE,
    IDS_STEP_REMOVE_IN_TARGET,
    IDS_STEP_REMOVE_IN_SOURCE,
    IDS_STEP_DELETE_SOURCE_AFTER,
    IDS_WHY_EQUAL,
    IDS_WHY_NEWER_IN_SOURCE,
    IDS_WHY_NEWER_IN_TARGET,
    IDS_WHY_SIZES_DIFFER,
    IDS_WHY_TIMES_DIFFER,
    IDS_WHY_CONTENTS_DIFFER,
    IDS_WHY_ATTRIBUTES_DIFFER,
    IDS_WHY_TARGET_NEWER_WANTED,
    IDS_WHY_REPLACE_DIFFERS,
    IDS_WHY_TIMES_TO_EQUALIZE,
    IDS_WHY_RESTORE,
    IDS_WHY_ONLY_IN_SOURCE,
    IDS_WHY_ONLY_IN_TARGET,
    IDS_WHY_DELETE_FROM_TARGET,
    IDS_WHY_REPLACE_REMOVES,
    IDS_WHY_DELETED_FROM_TARGET,
    IDS_WHY_DELETED_FROM_SOURCE,
    IDS_WHY_CONFLICT_REFUSED,
    IDS_WHY_TARGET_NEWER_KEPT,
    IDS_WHY_SOURCE_NEWER_UNWANTED,
    IDS_WHY_NOT_ON_TARGET,
    IDS_WHY_TARGET_KEPT,
    IDS_WHY_ONE_SIDED_KEPT,
    IDS_WHY_SIZES_KEPT,
    IDS_WHY_LISTING_CUT,
    IDS_WHY_EXCLUDED_BY_MASK,
    IDS_WHY_NOT_INCLUDED,
    IDS_WHY_OVER_SIZE_LIMIT,
    IDS_WHY_OUTSIDE_TIME_LIMIT,
    IDS_WHY_EXCLUDED_ITEM,
    IDS_WHY_DELETE_SOURCE_AFTER,
    IDS_WHY_TARGET_FOLDER_MISSING,
    IDS_DRY_HEADER,
    IDS_DRY_COUNTS,
    IDS_DRY_ARCHIVE_RESTORE,
    IDS_DRY_WOULD_ASK,
    IDS_DRY_NOT_STARTED,
    IDS_WHY_FOLDER_EMPTIED,
    IDS_LIVE_CHANGED_WHILE_COPIED = 21230,
    IDS_LANGUAGE_NOT_FOUND,
    IDS_MAIL_SETTINGS_NOT_SAVED,
    IDS_KEEP_SETTING_NOT_SAVED,
};

// Looks a text up by id: the loaded language first, then the built-in English text.
// Thread-safe for reading; UseLanguageTexts is meant for start-up and the language menu.
std::string LoadString(int id);

// Adds built-in English texts of a part of the program that keeps its own ids (the windows
// do). Meant for start-up, before other threads read texts; an id already present keeps its
// first text.
void AddBuiltInStrings(std::initializer_list<std::pair<int, const char*>> texts);

// The built-in English text of `id`, whichever language is loaded.
std::string LoadBuiltInString(int id);

// One line of a language file, `id=text`, with the text as written (escapes not undone) and
// any CR at its end left off. False for a line without "=", with nothing before it, or
// without a number of int range at its start.
bool ParseLanguageLine(std::string_view line, int* id, std::string_view* text);

struct CLanguageTexts {
    std::map<int, std::string> m_Texts;
    std::vector<int> m_Rejected;  // ids of the lines refused, in the order of the file
};

// The `id=text` lines (UTF-8) of a language file's content. A text writes a line break as
// "\n" and a backslash as "\\"; any other backslash stands for itself. Texts are formatted
// with the arguments of the built-in ones, so a text whose printf conversions differ from its
// built-in text's (see PrintfArguments) is refused, and so is a text with conversions that has
// no built-in text (yet: a part of the program may add it later). Any thread.
CLanguageTexts ReadLanguageTexts(std::string_view content);

// Puts the texts of a language file's `content` over the built-in table; when lines were
// refused, says so in one line on `warnings`, naming the file `fileName`, and their built-in
// texts stay. Meant for start-up and the language menu; the file is read by the caller.
void UseLanguageTexts(std::string_view content, const std::string& fileName,
                      std::ostream& warnings);
void ResetLanguage();

// printf-style formatting of a text that holds %s / %d conversions.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tv
