#pragma once
// The three files that drive the engine: the client profile "Tesmira.clt", the certificate
// authority "Tesmira.tmp" and the credentials "Tesmira.upw", all in the working directory.

#include <functional>
#include <string>
#include <string_view>

#include "tunnel/profile_text.h"

namespace tunnel {

inline constexpr char kProfileFileName[] = "Tesmira.clt";
inline constexpr char kCertificateFileName[] = "Tesmira.tmp";
inline constexpr char kCredentialsFileName[] = "Tesmira.upw";

// Each writer makes its file anew, readable by its owner only, never through a link or a file
// planted under its name. Empty on success, else a sentence that names the file and the reason.
std::string WriteClientProfile(std::string_view address, std::string_view port);
std::string WriteCertificateFile();
// From accountName and tunnelPassword.
std::string WriteCredentialsFile();

// Disconnect's removal: each of the three files `attemptsEach` times, in the order
// "Tesmira.tmp", "Tesmira.clt", "Tesmira.upw".
void DeleteProfileFiles(int attemptsEach = 3);
// Disconnect's last step: three times, wait 100 ms and delete the three files, in case the
// stopping engine still held one of them.
void DeleteProfileFilesLater(const std::function<void(int)>& sleep);

// At start-up: the files an instance that could not run its Disconnect (killed, crashed, power
// lost) left in the working directory, where they are this user's own regular files.
void RemoveLeftoverProfileFiles();

}  // namespace tunnel
