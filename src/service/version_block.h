#pragma once
// The VS_VERSIONINFO structure of a version resource and VerQueryValueA over it. The block is
// untrusted input (it comes from any file the caller names), so every length in it is checked
// against the bytes actually present.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace version {

// The fixed part of a version resource: thirteen little-endian 32-bit words.
struct VS_FIXEDFILEINFO {
  std::uint32_t dwSignature;
  std::uint32_t dwStrucVersion;
  std::uint32_t dwFileVersionMS;
  std::uint32_t dwFileVersionLS;
  std::uint32_t dwProductVersionMS;
  std::uint32_t dwProductVersionLS;
  std::uint32_t dwFileFlagsMask;
  std::uint32_t dwFileFlags;
  std::uint32_t dwFileOS;
  std::uint32_t dwFileType;
  std::uint32_t dwFileSubtype;
  std::uint32_t dwFileDateMS;
  std::uint32_t dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

// The length of the version block at the start of `data` (its root node's length), or 0 when
// the data does not start with a well-formed "VS_VERSION_INFO" root that fits in it.
std::uint32_t VersionBlockLength(std::span<const std::uint8_t> data);

// VerQueryValueA: looks up a backslash-separated path ("\", "\VarFileInfo\Translation",
// "\StringFileInfo\040904B0\ProductVersion"); keys compare without regard to ASCII case and
// empty path components are skipped. On success `value` holds the node's value: the raw bytes
// of a binary value, or the text of a text value up to its terminator, converted from UTF-16
// to this system's 8-bit encoding (UTF-8).
bool VerQueryValue(std::span<const std::uint8_t> block, std::string_view subBlock,
                   std::string* value);

// The fixed info decoded from the 52 bytes of the root value.
VS_FIXEDFILEINFO DecodeFixedFileInfo(std::string_view bytes);

// UTF-16LE code units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::span<const std::uint8_t> utf16le);

}  // namespace version
