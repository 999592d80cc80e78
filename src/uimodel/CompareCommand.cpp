#include "uimodel/CompareCommand.h"

#include "platform/Process.h"
#include "platform/ServiceProcess.h"
#include "task/Element.h"

namespace tv {

namespace {

std::string FolderWithSlash(const std::string& path) {
    return !path.empty() && path.back() == '/' ? path : path + "/";
}

// The FTP items of one side in their fixed order; `side` is 'l' (source) or 'r' (target).
void AddSite(CCompareCommand& command, char side, const CTag& site) {
    const auto add = [&](char item, const std::string& value) {
        command.m_args.push_back(std::string("/") + side + item + ":" + value);
    };
    const auto secret = [&](char item, const std::string& value) {
        command.m_strSecrets += std::string("/") + side + item + ":" + value;
        command.m_strSecrets += '\0';
    };
    add('h', site.m_strHost);
    add('i', site.m_strRemoteDir);
    add('r', std::to_string(site.m_nPort));
    add('n', site.m_strSiteName);
    secret('p', site.m_strPassword);
    add('u', site.m_strUser);
    add('y', std::to_string(site.m_nProxyType));
    if (site.m_bPassive) {
        command.m_args.push_back(std::string("/") + side + "s");
    }
    if (site.m_nProxyType > 0) {
        add('t', site.m_strProxyHost);
        add('o', std::to_string(site.m_nProxyPort));
        add('d', site.m_strProxyUser);
        secret('a', site.m_strProxyPassword);
    }
}

std::string Quoted(const std::string& arg) {
    return arg.find(' ') == std::string::npos ? arg : "\"" + arg + "\"";
}

}  // namespace

CCompareCommand BuildCompareCommand(const CElement& task) {
    CCompareCommand command;
    if (task.Has1(opt1::kIncludeSubfolders)) {
        command.m_args.emplace_back("/i");
    }
    if (task.m_Source.IsLocal()) {
        command.m_args.push_back("/s:" + FolderWithSlash(task.m_Source.m_strPath));
    } else {
        AddSite(command, 'l', task.m_Source);
    }
    if (task.m_Targets.empty()) {
        return command;
    }
    const CTag& target = task.m_Targets.front();
    if (target.IsLocal()) {
        command.m_args.push_back("/d:" + FolderWithSlash(target.m_strPath));
    } else {
        AddSite(command, 'r', target);
    }
    return command;
}

std::vector<std::string> CompareArguments(const CCompareCommand& command) {
    std::vector<std::string> args = command.m_args;
    if (!command.m_strSecrets.empty()) {
        args.push_back("/pwfd:" + std::to_string(kCompareSecretFd));
    }
    return args;
}

std::string CompareCommandText(const CCompareCommand& command) {
    std::string text = kCompareProgram;
    for (const std::string& arg : CompareArguments(command)) {
        text += " " + Quoted(arg);
    }
    return text;
}

std::string FindCompareProgram(const std::string& programFolder) {
    if (!programFolder.empty() && programFolder.front() == '/') {
        // A name with a "/" is looked at as it stands.
        std::string beside = FindOnPath(FolderWithSlash(programFolder) + kCompareProgram);
        if (!beside.empty()) {
            return beside;
        }
    }
    return FindOnPath(kCompareProgram, PathFolders::AbsoluteOnly);
}

bool StartCompare(const std::string& program, const CCompareCommand& command) {
    std::vector<std::string> argv{program};
    for (std::string& arg : CompareArguments(command)) {
        argv.push_back(std::move(arg));
    }
    pid_t pid = -1;
    if (command.m_strSecrets.empty()) {
        return StartDetached(argv, pid) == 0;
    }
    return StartDetachedWithInput(argv, command.m_strSecrets, kCompareSecretFd, pid) == 0;
}

}  // namespace tv
