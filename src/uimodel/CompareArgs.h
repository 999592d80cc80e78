#pragma once

#include <string>
#include <vector>

#include "task/Tag.h"

namespace tv {

// What the comparison program was asked to compare.
struct CCompareArgs {
    bool m_bSubfolders = false;
    CTag m_left;           // a folder ("/s:"), or an FTP site ("/l..." switches)
    CTag m_right;          // a folder ("/d:"), or an FTP site ("/r..." switches)
    int m_nSecretFd = -1;  // "/pwfd:N": the passwords wait on this descriptor
};

// Reads the comparison program's switches; a password switch may come from the pipe too, in
// the same form. False and the offending switch in `bad` for a switch it does not know. Pure.
bool ParseCompareArgs(const std::vector<std::string>& args, CCompareArgs& out, std::string& bad);

// Adds the password switches read from the pipe ("/lp:secret", each ended by a NUL). Pure.
void AddCompareSecrets(const std::string& secrets, CCompareArgs& out);

}  // namespace tv
