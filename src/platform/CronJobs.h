#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

class ICrontab;

// One job of the scheduler: a line of the crontab that ends with the tag comment
// " # NAME". The command is kept exactly as the line holds it (quoted and escaped for cron), so
// that a job keeps the command it was made with.
struct CCronJob {
    std::string m_strName;    // "Synch12.job"
    std::string m_strTiming;  // five time fields, or an "@" word such as "@reboot"
    int m_nOnlyYear = 0;      // not 0: the job does its work only in that year (a single start)
    std::string m_strCommand;
};

// "Synch" + task part + ".job": the task part is one id ("12"), or " %d" per task (" 3 5 7").
std::string SchedulerJobName(const std::string& taskPart);

// One argument for the shell, single-quoted, with every "%" kept from cron, which would
// otherwise end the command there.
std::string CronQuote(std::string_view argument);

// The command of a new job: `program` --scheduled "/f:LIST" and the ids of the task part,
// each quoted. Nothing when a path holds a line break, which no crontab line can carry, or
// when the command would be longer than cron reads of one line.
std::optional<std::string> SchedulerJobCommand(const std::string& program,
                                               const std::string& listPath,
                                               const std::string& taskPart);

// The line of `job` (without its line end), and a tagged line read back; nothing for a line
// that is not one of ours.
std::string CronLine(const CCronJob& job);
std::optional<CCronJob> ParseCronLine(std::string_view line);

// Whether `timing` is five fields or an "@" word made of what cron's time fields are made of,
// so that it cannot end the line, start the command or hide a comment.
bool IsCronTiming(std::string_view timing);

enum class CronEdit { Done, BadJob, ReadFailed, WriteFailed, LockFailed, KeptChanging };

// Reads and changes the jobs of a crontab. Only our tagged lines change; every other line stays
// byte for byte. A change is made under the crontab's lock: read, change, read again, write;
// when the text changed meanwhile (someone else edited it) the change is made again on the new
// text. Nothing is written after a failed read, nor when the text would stay the same. Every
// member blocks on the lock, disk I/O and child programs; any thread, not cancellable.
class CCronJobs {
  public:
    explicit CCronJobs(ICrontab& crontab) : m_crontab(crontab) {}

    // The job named `name` (compared without regard to case), or nothing in `job`.
    CronEdit Find(const std::string& name, std::optional<CCronJob>& job);
    // Creates `job`, or gives the job of its name the new timing: an existing job keeps its
    // command. BadJob when the timing, name or command cannot go into a line.
    CronEdit Save(const CCronJob& job);
    // Removes every job named `name` whose command contains `commandPart`.
    CronEdit Remove(const std::string& name, std::string_view commandPart);

    // Why the last call did not end with Done.
    const std::string& Error() const { return m_strError; }

  private:
    CronEdit Edit(const std::function<std::string(const std::string&)>& change);

    ICrontab& m_crontab;
    std::string m_strError;
};

}  // namespace tv
