#pragma once
// Files that hold secrets or that a privileged program reads, made so that nothing planted under
// their name beforehand (a link, a file of another user, one with wider access) is ever used.

#include <string>
#include <string_view>

namespace platform {

// Removes any entry `name` in the folder `folderFd` (AT_FDCWD: the working directory), then
// creates it anew (O_CREAT|O_EXCL|O_NOFOLLOW) with `mode` and writes `bytes`. 0 on success, else
// the error number; a file that could not be written whole is removed again.
int WriteNewFile(int folderFd, const std::string& name, std::string_view bytes, unsigned mode);

}  // namespace platform
