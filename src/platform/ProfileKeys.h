#pragma once

// The sections and value names the program keeps in the profile. Profiles written by every
// earlier version use these spellings, so they are part of the stored format: change none.
namespace tv::profkey {

// Values of the application key itself.
inline constexpr char kAppSection[] = "";
inline constexpr char kProgramFolder[] = "path";  // overrides the executable's folder
inline constexpr char kLastDir[] = "lastdir";     // the folder of the last list dialog
inline constexpr char kLastTaskList[] = "lasttl";
inline constexpr char kLanguage[] = "curlang";  // the name the language gives itself
inline constexpr char kSkin[] = "Skin";         // the style sheet the windows wear
// The addresses of Help > Webpage and of the version check; the program has defaults.
inline constexpr char kWebPage[] = "WebPage";
inline constexpr char kVersionFile[] = "VersionFile";

// The preferences, the tip of the day and the sizes of the windows.
inline constexpr char kSettings[] = "Settings";
inline constexpr char kPreferences[] = "DlgPref";
inline constexpr char kNextTip[] = "ShowTip";
inline constexpr char kMainWidth[] = "CX";
inline constexpr char kMainHeight[] = "CY";
inline constexpr char kMainMaximized[] = "MXM";
inline constexpr char kPreviewWidth[] = "PCX";
inline constexpr char kPreviewHeight[] = "PCY";
inline constexpr char kPreviewMaximized[] = "PMXM";
// What a run does with the files it deletes or overwrites, and how many days a versions
// folder keeps them.
inline constexpr char kKeepFiles[] = "KeepFiles";
inline constexpr char kKeepDays[] = "KeepDays";

// The recent task lists, newest first: "file1", "file2"...
inline constexpr char kRecentSection[] = "recentlist";
inline constexpr char kRecentEntryPrefix[] = "file";

// The next target of each task that uses its targets in turn, named by the task id.
inline constexpr char kNextTargets[] = "NextTags";

// How the e-mail reports reach the mail server, for every task: kept here rather than in the
// task lists, whose format stays as it is. The profile is readable by its owner only.
inline constexpr char kMailSection[] = "Mail";
inline constexpr char kMailStartTls[] = "StartTls";
inline constexpr char kMailUser[] = "User";
inline constexpr char kMailPassword[] = "Password";

}  // namespace tv::profkey
