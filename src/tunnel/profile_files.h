#pragma once
// The three files that drive the engine: the client profile "Tesmira.clt", the certificate
// authority "Tesmira.tmp" and the credentials "Tesmira.upw", all in the working directory.

#include <functional>
#include <string>
#include <string_view>

namespace tunnel {

inline constexpr char kProfileFileName[] = "Tesmira.clt";
inline constexpr char kCertificateFileName[] = "Tesmira.tmp";
inline constexpr char kCredentialsFileName[] = "Tesmira.upw";

// The profile's bytes for a server address and port, both inserted literally.
std::string ClientProfileText(std::string_view address, std::string_view port);

// Each writer replaces the file; one that cannot be created is skipped without a word.
void WriteClientProfile(std::string_view address, std::string_view port);
void WriteCertificateFile();
// From accountName and tunnelPassword; the file is created readable by its owner only.
void WriteCredentialsFile();

// Disconnect's removal: each of the three files `attemptsEach` times, in the order
// "Tesmira.tmp", "Tesmira.clt", "Tesmira.upw".
void DeleteProfileFiles(int attemptsEach = 3);
// Disconnect's last step: three times, wait 100 ms and delete the three files, in case the
// stopping engine still held one of them.
void DeleteProfileFilesLater(const std::function<void(int)>& sleep);

}  // namespace tunnel
