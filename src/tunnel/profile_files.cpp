#include "tunnel/profile_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "ca_pem.h"
#include "platform/system.h"
#include "service/account.h"

namespace tunnel {
namespace {

// What a format's "%s" takes of a text: everything before its first zero byte. Line breaks are
// dropped as well, so that a server row can never add a directive of its own to the profile;
// the server list cannot hold them anyway, as its fetch removes them.
std::string ProfileValue(std::string_view text) {
  std::string value;
  for (char c : text.substr(0, text.find('\0'))) {
    if (c != '\r' && c != '\n') value += c;
  }
  return value;
}

// The profile was first written in text mode, which stores every line feed as carriage return
// plus line feed; the engine reads those bytes on every system, so they are kept.
std::string TextMode(std::string_view text) {
  std::string stored;
  stored.reserve(text.size() + text.size() / 8);
  for (char c : text) {
    if (c == '\n') stored += '\r';
    stored += c;
  }
  return stored;
}

void WriteWhole(const char* name, const std::string& bytes) {
  std::FILE* file = std::fopen(name, "wb");
  if (file == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

std::string UpToZero(const std::string& text) { return text.substr(0, text.find('\0')); }

}  // namespace

std::string ClientProfileText(std::string_view address, std::string_view port) {
  const std::string profile =
      "client\r\ndev tun\r\nproto udp\r\nremote " + ProfileValue(address) + " " +
      ProfileValue(port) +
      "\r\nresolv-retry infinite\r\nnobind\r\npersist-key\r\npersist-tun\r\nca Tesmira.tmp\r\n"
      "auth-user-pass\r\nns-cert-type server\r\npull\r\nmute 20\r\ncomp-lzo\r\n";
  return TextMode(profile) + TextMode("verb 3\r\n ");
}

void WriteClientProfile(std::string_view address, std::string_view port) {
  WriteWhole(kProfileFileName, ClientProfileText(address, port));
}

void WriteCertificateFile() { WriteWhole(kCertificateFileName, std::string(TesmiraCaPem())); }

void WriteCredentialsFile() {
  const std::string content = UpToZero(accountName) + "\r\n" + UpToZero(tunnelPassword);
  // The file is made anew with owner-only access, so the password is never readable by others,
  // not even for a moment, and a link planted under its name is not followed.
  ::unlink(kCredentialsFileName);
  const int fd =
      ::open(kCredentialsFileName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return;
  size_t written = 0;
  while (written < content.size()) {
    const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  ::close(fd);
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

}  // namespace tunnel
