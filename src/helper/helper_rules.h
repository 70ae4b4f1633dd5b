#pragma once
// The engine helper's decisions, apart from its process handling, so that tests can check them
// without root: where the engine is, whether root may run it, the engine's argument vector and
// the helper's own lines.

#include <string>
#include <vector>

namespace helper {

inline constexpr char kName[] = "tesmira-engine-helper";
// Each attempt's folder lives here; root's alone.
inline constexpr char kRunFolder[] = "/run/tesmira";

// The engine beside an installed helper: <prefix>/libexec/tesmira/<helper> finds
// <prefix>/lib/tesmira/64bit/openvpn (or 32bit, by the system's width).
std::string EnginePathFor(const std::string& helperPath, int is64);

// Empty when root may run `path`: the file, each folder above it and, through links, whatever
// they lead to belong to root and cannot be changed by anyone else (a folder writable by others
// passes only with its sticky bit, which keeps them from replacing root's entries in it). Else
// what is wrong.
std::string UnsafePathReason(const std::string& path);

// The engine's whole argument vector: the profile by absolute path, its folder as the engine's
// working folder, the unprivileged account it drops to once the tunnel is up, and, unless
// `dnsHook` is empty, the helper's own DNS hook as its only script.
std::vector<std::string> EngineArgv(const std::string& enginePath, const std::string& folder,
                                    const std::string& user, const std::string& group,
                                    const std::string& dnsHook = {});

// The DNS hook beside the helper.
std::string DnsHookPathFor(const std::string& helperPath);

// "tesmira-engine-helper: refused: <reason>".
std::string RefusedLine(const std::string& reason);
// How the engine ended, from waitpid's status: the helper's last line.
std::string EngineEndLine(int waitStatus);

}  // namespace helper
