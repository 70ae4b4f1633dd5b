#pragma once
// Process-level services of the platform: the program's own file, files, waits, the shell and
// the system's error texts.

#include <optional>
#include <string>

namespace platform {

// Full path of the running program (GetModuleFileNameA).
std::string ModuleFileName();

// The file a module that the dynamic loader gave a handle for came from: empty for the program
// itself, which the loader keeps no name for; nothing when the loader does not know the handle.
std::optional<std::string> LoadedModuleFileName(void* module);

// The program's folder: its path cut after the last separator, which is kept.
std::string ProgramFolder();

// The program file's name without extension; the title of the program's message boxes.
std::string ProgramTitle();

// 1 when the operating system is 64-bit, else 0 (the IsWow64Process probe's answer).
int IsWow64Process();

// Deletes a file; the result is ignored by every caller, so none is given.
void DeleteFile(const std::string& name);

void Sleep(int milliseconds);

// Runs a script or command through /bin/sh, detached and without waiting (ShellExecute "open").
void ShellOpen(const std::string& file, const std::string& parameters = {});

// The system's text for an error number (FormatMessage).
std::string SystemErrorText(int error);

// True when the program runs with root's rights.
bool RunsAsRoot();

// The login name of the account the program runs as; empty when the system does not know one.
std::string LoginName();

// The working directory's absolute path, ending with '/'; "./" when it cannot be told.
std::string CurrentFolder();

// The executable file `name` in the folders of PATH, as a shell finds it; empty when none.
std::string FindInPath(const std::string& name);

}  // namespace platform
