#pragma once
// What Connect prepares for the engine: its path, its arguments as the one text the command
// line shows, and the argument vector the engine is really started with.

#include <string>
#include <vector>

#include "tunnel/engine_request.h"

namespace tunnel {

// "--config <folder>Tesmira.clt --auth-user-pass <folder>Tesmira.upw"; `folder` ends with its
// separator. Nothing is quoted and nothing is cut, however long the folder.
std::string EngineArguments(const std::string& folder);

// "<programFolder>/64bit/openvpn" or ".../32bit/openvpn"; the folder already ends with '/', so
// the path has two separators before the subfolder, which the system reads as one.
std::string EnginePath(const std::string& programFolder, int is64);

// The engine path, two blanks, the engine arguments.
std::string EngineCommandLine(const std::string& path, const std::string& arguments);

// The engine path followed by the arguments' four parts, each whole even when the folder
// holds blanks.
std::vector<std::string> EngineArgumentVector(const std::string& path, const std::string& folder);

// The absolute working directory with a trailing '/': where Connect writes the profile files.
std::string WorkingFolder();

// Written by Connect (through PrepareEngine) before the tunnel starter exists; read by it.
extern std::string engineArguments;
extern std::string enginePath;
extern std::vector<std::string> engineArgumentVector;
// What the engine helper is asked for: the selected server and the account.
extern EngineRequest engineRequest;

// Connect's steps: clear the three values, then fill them for the engine in `programFolder`
// (chosen by the 64-bit probe's answer `is64`) and the files in `filesFolder`.
void PrepareEngine(const std::string& programFolder, const std::string& filesFolder, int is64);

}  // namespace tunnel
