#pragma once
// GetFileVersionInfoSizeA and GetFileVersionInfoA: find the version resource in a file.
//
// Three kinds of file hold one: a Windows PE image (.exe, .dll; the RT_VERSION resource of its
// resource section), an ELF program of ours (the resource compiler's block, embedded in a
// section of its own; see resources/version) and a compiled resource file (.res). Files are
// read piecewise with bounds checks, never trusted and never loaded whole.

#include <cstdint>
#include <span>
#include <string>

namespace version {

// The ELF section that carries a program's version block.
inline constexpr char kElfSectionName[] = "tesmira_version";

// The size of the file's version block, or 0 when it has none (or the file cannot be read).
std::uint32_t GetFileVersionInfoSize(const std::string& fileName);

// Copies the file's version block into `data`, cut to its size; false when the file has none.
bool GetFileVersionInfo(const std::string& fileName, std::span<std::uint8_t> data);

}  // namespace version
