#pragma once
// The bytes of the engine's profile and credentials files. The program and the engine helper
// both write them from here, so the helper's own copy is the profile Connect writes.

#include <string>
#include <string_view>

namespace tunnel {

// The profile's bytes for a server address and port, both inserted literally (bytes after a zero
// and line breaks dropped).
std::string ClientProfileText(std::string_view address, std::string_view port);

// The user name, carriage return and line feed, the password.
std::string CredentialsText(std::string_view user, std::string_view password);

}  // namespace tunnel
