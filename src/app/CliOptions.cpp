#include "app/CliOptions.h"

#include <string_view>

namespace tv {

namespace {

struct CListOption {
    std::string_view m_name;
    CliAction m_action;
    size_t m_nFiles;
};

constexpr CListOption kListOptions[] = {
    {"--dump-list", CliAction::DumpList, 1},
    {"--make-list", CliAction::MakeList, 2},
};

CCliRequest UsageError(std::string text) {
    CCliRequest request;
    request.m_action = CliAction::UsageError;
    request.m_strError = std::move(text);
    return request;
}

const CListOption* FindListOption(std::string_view name) {
    for (const auto& option : kListOptions) {
        if (option.m_name == name) {
            return &option;
        }
    }
    return nullptr;
}

}  // namespace

CCliRequest ParseCommandLine(const std::vector<std::string>& args) {
    CCliRequest request;
    bool help = false;
    bool version = false;
    const CListOption* listOption = nullptr;
    bool optionsEnded = false;
    bool dryRun = false;
    bool json = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "-h") {
            help = true;
            continue;
        }
        // "-X" and "/X" are switches of the original command line; only "--" starts ours.
        if (optionsEnded || arg.rfind("--", 0) != 0) {
            request.m_Original.push_back(arg);
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--scheduled") {
            request.m_bScheduled = true;
        } else if (arg == "--restore") {
            request.m_bRestore = true;
        } else if (arg == "--dry-run") {
            dryRun = true;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--show-passwords") {
            request.m_passwords = PasswordView::Shown;
        } else if (arg == "--help" || arg == "--version") {
            (arg == "--help" ? help : version) = true;
        } else if (const CListOption* option = FindListOption(name)) {
            if (listOption) {
                return UsageError("only one of --dump-list and --make-list can be given");
            }
            listOption = option;
            if (equals != std::string::npos) {
                request.m_Files.push_back(arg.substr(equals + 1));
            }
            for (; request.m_Files.size() < option->m_nFiles; ++i) {
                if (i + 1 >= args.size()) {
                    return UsageError("option '" + name + "' needs " +
                                      (option->m_nFiles == 1 ? "a FILE" : "FILE.json and OUT.tsl"));
                }
                request.m_Files.push_back(args[i + 1]);
            }
        } else {
            return UsageError("unrecognized option '" + arg + "'");
        }
    }
    request.m_dryRun = !dryRun ? DryRunOutput::None
                       : json  ? DryRunOutput::Json
                               : DryRunOutput::Text;
    if (help || version) {
        request.m_action = help ? CliAction::Help : CliAction::Version;
    } else if (json && !dryRun) {
        return UsageError("option '--json' goes with '--dry-run'");
    } else if (dryRun && (listOption || request.m_Original.empty())) {
        return UsageError("option '--dry-run' needs tasks to run");
    } else if (listOption && request.m_bRestore) {
        return UsageError("option '--restore' goes with tasks to run");
    } else if (listOption && !request.m_Original.empty()) {
        return UsageError("unexpected parameter '" + request.m_Original.front() + "' after '" +
                          std::string(listOption->m_name) + "'");
    } else if (request.m_passwords == PasswordView::Shown &&
               (!listOption || listOption->m_action != CliAction::DumpList)) {
        return UsageError("option '--show-passwords' goes with '--dump-list'");
    } else if (listOption) {
        request.m_action = listOption->m_action;
    } else if ((request.m_bScheduled || request.m_bRestore) && request.m_Original.empty()) {
        return UsageError(std::string("option '") +
                          (request.m_bRestore ? "--restore" : "--scheduled") +
                          "' needs tasks to run");
    } else if (!request.m_Original.empty()) {
        request.m_action = CliAction::Original;
    }
    return request;
}

}  // namespace tv
