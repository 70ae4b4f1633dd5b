#include "tunnel/profile_text.h"

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

}  // namespace

std::string ClientProfileText(std::string_view address, std::string_view port) {
  const std::string profile =
      "client\r\ndev tun\r\nproto udp\r\nremote " + ProfileValue(address) + " " +
      ProfileValue(port) +
      "\r\nresolv-retry infinite\r\nnobind\r\npersist-key\r\npersist-tun\r\nca Tesmira.tmp\r\n"
      "auth-user-pass\r\nns-cert-type server\r\npull\r\nmute 20\r\ncomp-lzo\r\n";
  return TextMode(profile) + TextMode("verb 3\r\n ");
}

std::string CredentialsText(std::string_view user, std::string_view password) {
  return std::string(user.substr(0, user.find('\0'))) + "\r\n" +
         std::string(password.substr(0, password.find('\0')));
}

}  // namespace tunnel
