// The version reader over any file: a PE image, an ELF program or a compiled resource file,
// cut or scrambled anyhow, is read within its bounds (the sanitizers watch every access).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "service/file_version_info.h"
#include "service/version_block.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The reader takes a file name, as the platform's call does.
  static const std::string path =
      "/tmp/tesmira-fuzz-version-" + std::to_string(static_cast<long>(getpid()));
  if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  CFileVersionInfo info;
  info.Create(path);
  std::remove(path.c_str());

  // The block parser on its own, for inputs that are a version block already.
  std::string value;
  const std::span<const std::uint8_t> block(data, size);
  version::VerQueryValue(block, "\\", &value);
  version::VerQueryValue(block, "\\VarFileInfo\\Translation", &value);
  version::VerQueryValue(block, "\\StringFileInfo\\040904B0\\ProductVersion", &value);
  return 0;
}
