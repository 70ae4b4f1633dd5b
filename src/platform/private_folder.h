#pragma once
// The per-user folder that holds the settings, the profile and credentials files and the engine's
// control socket when the program is not started from a terminal: a desktop launcher would
// otherwise leave a password file in the home folder itself.

#include <string>

namespace platform {

// Set to 1 by the desktop entry's command line.
inline constexpr char kPrivateFolderVariable[] = "TESMIRA_PRIVATE_DIR";

// Whether the files belong in the private folder rather than the working directory: when the
// variable above is "1", or when the working directory is the home folder or the root, as
// launchers leave it. `flag` and `home` may be null.
bool WantsPrivateFolder(const char* flag, const std::string& workingDir, const char* home);

// "<state>/tesmira", where <state> is $XDG_STATE_HOME when it holds an absolute path, else
// "<home>/.local/state". Empty when there is no usable home either.
std::string PrivateFolderPath(const char* xdgStateHome, const char* home);

// The same, from the environment, with the password database's home when HOME is unset.
std::string PrivateFolderPath();

// Makes `path` fit for secrets and returns an open descriptor of it (close-on-exec): missing
// folders on the way are created with mode 0700; the folder itself must be a directory that
// belongs to the effective user, and any access it grants to group or others is taken away.
// On refusal returns -1 with the reason in *error.
int OpenPrivateFolder(const std::string& path, std::string* error);

// Why `path` is no place for this user's files (it belongs to another user, or others may write
// to it); empty when it is.
std::string SharedFolderReason(const std::string& path);

// The start-up step: when WantsPrivateFolder holds for this process, or the working directory
// is shared (SharedFolderReason, said on standard error), prepares the private folder and
// makes it the working directory. False, with the reason in *error, when that
// fails; the program must then not go on, so no secret lands in a folder others can read.
bool EnterPrivateFolderIfWanted(std::string* error);

}  // namespace platform
