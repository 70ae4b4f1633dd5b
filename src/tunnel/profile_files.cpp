#include "tunnel/profile_files.h"

#include "ca_pem.h"
#include "platform/files.h"
#include "platform/new_file.h"
#include "platform/system.h"
#include "service/account.h"

namespace tunnel {
namespace {

std::string WriteProfileFile(const char* name, std::string_view bytes) {
  const int error = platform::WriteNewFile(name, bytes, 0600);
  if (error == 0) return {};
  return std::string(name) + " could not be written: " + platform::SystemErrorText(error);
}

}  // namespace

std::string WriteClientProfile(std::string_view address, std::string_view port) {
  return WriteProfileFile(kProfileFileName, ClientProfileText(address, port));
}

std::string WriteCertificateFile() {
  return WriteProfileFile(kCertificateFileName, TesmiraCaPem());
}

std::string WriteCredentialsFile() {
  return WriteProfileFile(kCredentialsFileName, CredentialsText(accountName, tunnelPassword));
}

void DeleteProfileFiles(int attemptsEach) {
  for (const char* name : {kCertificateFileName, kProfileFileName, kCredentialsFileName}) {
    for (int i = 0; i < attemptsEach; ++i) platform::DeleteFile(name);
  }
}

void DeleteProfileFilesLater(const std::function<void(int)>& sleep) {
  for (int i = 0; i < 3; ++i) {
    sleep(100);
    DeleteProfileFiles(1);
  }
}

void RemoveLeftoverProfileFiles() {
  for (const char* name : {kCertificateFileName, kProfileFileName, kCredentialsFileName}) {
    if (platform::IsOwnRegularFile(name)) platform::DeleteFile(name);
  }
}

}  // namespace tunnel
