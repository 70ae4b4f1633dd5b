#include "tunnel/engine_command.h"

#include "platform/system.h"

namespace tunnel {

std::string engineArguments;
std::string enginePath;
std::vector<std::string> engineArgumentVector;
EngineRequest engineRequest;

std::string EngineArguments(const std::string& folder) {
  return "--config " + folder + "Tesmira.clt --auth-user-pass " + folder + "Tesmira.upw";
}

std::string EnginePath(const std::string& programFolder, int is64) {
  return programFolder + (is64 == 1 ? "/64bit/openvpn" : "/32bit/openvpn");
}

std::string EngineCommandLine(const std::string& path, const std::string& arguments) {
  return path + "  " + arguments;
}

std::vector<std::string> EngineArgumentVector(const std::string& path, const std::string& folder) {
  return {path, "--config", folder + "Tesmira.clt", "--auth-user-pass", folder + "Tesmira.upw"};
}

std::string WorkingFolder() { return platform::CurrentFolder(); }

void PrepareEngine(const std::string& programFolder, const std::string& filesFolder, int is64) {
  engineArguments.clear();
  enginePath.clear();
  engineArgumentVector.clear();
  engineArguments = EngineArguments(filesFolder);
  enginePath = EnginePath(programFolder, is64);
  engineArgumentVector = EngineArgumentVector(enginePath, filesFolder);
}

}  // namespace tunnel
