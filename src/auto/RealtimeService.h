#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace tv {

class CElement;
class IFileSystem;

// Where the services of real-time tasks are kept and what runs them. Each service is a folder
// of its own below m_strServices (its record, its task, its pid); automatic start is an entry
// in m_strAutostart.
struct CServicePlaces {
    std::string m_strServices;
    std::string m_strAutostart;
    std::string m_strProgram;  // the service program
    // A stop asked of a service is awaited this long before it counts as refused.
    std::chrono::milliseconds m_stopWait{30000};

    // $XDG_STATE_HOME/Twinvale/services, the desktop's autostart folder and the service program
    // beside the running one. Any thread.
    static CServicePlaces FromEnvironment();
};

// "TwinvaleRealTask_7" for task 7.
std::string RealtimeServiceName(int taskId);

// What the service of `task` is started with: `program`, the service name, the source folder
// and every target folder in list order, each its own argument. Nothing when a location is not
// a local folder (an FTP site, an archive, a relative path) or there is no target: the service
// only repeats changes between folders of this computer. Pure.
std::optional<std::vector<std::string>> RealtimeServiceCommand(const std::string& program,
                                                               const CElement& task);

enum class ServiceStatus { Done, Missing, NoAccess, NotLocal, Failed, StillRunning };

struct CServiceResult {
    ServiceStatus m_status = ServiceStatus::Done;
    int m_nError = 0;  // the errno value behind NoAccess and Failed
    bool Ok() const { return m_status == ServiceStatus::Done; }
};

// The services of real-time tasks: made, changed, started, stopped, asked about and removed as
// records under the services folder; a started service is a detached process whose pid the
// record keeps, and only a live process of the service program under the service's name counts
// as running. Every member blocks on disk I/O, Stop and Delete also on the stop of the service
// (up to m_stopWait). GUI thread; not cancellable.
class CRealtimeServices {
  public:
    CRealtimeServices(IFileSystem& fs, CServicePlaces places);

    // Whether services can be kept at all: the services folder is made when missing. NoAccess
    // when the user may not write there.
    CServiceResult Open();
    bool Exists(const CElement& task);
    bool IsRunning(const CElement& task);
    // Makes the service of `task`, or gives the existing one the task's current settings: the
    // command, the start type (an autostart entry while "Start task automatically during
    // system startup" is set) and the task itself, which the service reads for its filters and
    // log. A running service goes on with what it was started with. Never stores a password.
    CServiceResult Create(const CElement& task);
    // Starts the service with its stored command; Done when it runs already. Missing without
    // a service; Failed with the errno value when the program could not be executed.
    CServiceResult Start(const CElement& task);
    // Asks the service to end and waits until it has; StillRunning when it had not after
    // m_stopWait. A service that does not run counts as stopped.
    CServiceResult Stop(const CElement& task);
    // Stops the service first and removes it only once it has stopped: StillRunning keeps it.
    // A service that does not exist counts as removed.
    CServiceResult Delete(const CElement& task);

    const CServicePlaces& Places() const { return m_places; }
    // The folder of `task`'s service.
    std::string FolderOf(const CElement& task) const;

  private:
    struct CRecord {
        std::vector<std::string> m_argv;
        bool m_bAutomatic = false;
    };
    std::optional<CRecord> ReadRecord(const std::string& folder);
    pid_t ReadPid(const std::string& folder);
    // The pid of the service's live process, or -1.
    pid_t RunningPid(const std::string& folder, const CRecord& record);
    CServiceResult WriteAutostart(const CElement& task, const CRecord& record);
    CServiceResult WriteTask(const std::string& folder, const CElement& task);

    IFileSystem& m_fs;
    CServicePlaces m_places;
};

}  // namespace tv
