#pragma once
// Files that hold secrets or that a privileged program reads, made so that nothing planted under
// their name beforehand (a link, a file of another user, one with wider access) is ever used.

#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

// Removes any entry `name` in the folder `folderFd` (AT_FDCWD: the working directory), then
// creates it anew (O_CREAT|O_EXCL|O_NOFOLLOW) with `mode` and writes `bytes`. 0 on success, else
// the error number; a file that could not be written whole is removed again.
int WriteNewFile(int folderFd, const std::string& name, std::string_view bytes, unsigned mode);

// The same in the working directory.
int WriteNewFile(const std::string& name, std::string_view bytes, unsigned mode);

// For a file written bit by bit: `name` in the working directory removed and created anew in the
// same way, owner-only, and handed over as a stream open for binary writing; nullptr when it
// could not be made.
std::FILE* OpenNewFile(const std::string& name);

}  // namespace platform
