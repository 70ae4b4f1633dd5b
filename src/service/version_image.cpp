#include "service/version_image.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/files.h"
#include "service/version_block.h"

namespace version {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A version block's length is a 16-bit field, so no resource needs more than this.
constexpr std::uint32_t kMaxBlock = 0xFFFF;

// The file's bytes within its size, read where they are asked for.
class FileReader {
 public:
  explicit FileReader(const std::string& name) : file_(name) {}

  bool ok() const { return file_.ok(); }

  bool Read(std::uint64_t offset, std::uint64_t length, Bytes* out) const {
    const std::uint64_t size = file_.Size();
    if (offset > size || length > size - offset) return false;
    out->resize(static_cast<size_t>(length));
    return file_.ReadAt(offset, out->data(), out->size());
  }

 private:
  platform::RegularFileReader file_;
};

// Callers check that the bytes are there before decoding them; should one miscount, bytes that
// were never read count as zero rather than being read from beyond the buffer.
std::uint64_t Number(const Bytes& bytes, size_t offset, size_t width, bool bigEndian = false) {
  if (offset > bytes.size() || width > bytes.size() - offset) return 0;
  std::uint64_t value = 0;
  for (size_t i = 0; i < width; ++i) {
    const size_t at = bigEndian ? offset + i : offset + width - 1 - i;
    value = value << 8 | bytes[at];
  }
  return value;
}
std::uint16_t U16(const Bytes& b, size_t at) {
  return static_cast<std::uint16_t>(Number(b, at, 2));
}
std::uint32_t U32(const Bytes& b, size_t at) {
  return static_cast<std::uint32_t>(Number(b, at, 4));
}

// --- Windows PE images -------------------------------------------------------------------

constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kVsVersionInfo = 1;  // the resource name the version block goes by
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000;

class PeImage {
 public:
  explicit PeImage(const FileReader& file) : file_(file) {}

  bool Open() {
    Bytes dos;
    if (!file_.Read(0, 64, &dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const std::uint64_t peOffset = U32(dos, 0x3C);
    Bytes header;
    if (!file_.Read(peOffset, 24, &header) || std::memcmp(header.data(), "PE\0\0", 4) != 0) {
      return false;
    }
    const std::uint16_t sectionCount = U16(header, 6);
    const std::uint16_t optionalSize = U16(header, 20);
    Bytes optional;
    if (!file_.Read(peOffset + 24, optionalSize, &optional) || optionalSize < 2) return false;

    // The data directories follow the optional header's fixed part: PE32 or PE32+.
    const std::uint16_t magic = U16(optional, 0);
    if (magic != 0x10B && magic != 0x20B) return false;
    const size_t directories = magic == 0x10B ? 96 : 112;
    const size_t resourceEntry = directories + 2 * 8;
    if (optionalSize < resourceEntry + 8 || U32(optional, directories - 4) <= 2) return false;
    resourceRva_ = U32(optional, resourceEntry);
    if (resourceRva_ == 0) return false;

    return file_.Read(peOffset + 24 + optionalSize, std::uint64_t{sectionCount} * 40, &sections_);
  }

  // The RT_VERSION data: type 16, name 1, the first language under it.
  bool FindVersion(std::uint64_t* offset, std::uint32_t* size) const {
    std::uint32_t names = 0, languages = 0, leaf = 0;
    if (!FindEntry(resourceRva_, kRtVersion, true, &names) ||
        !FindEntry(names, kVsVersionInfo, true, &languages) ||
        !FindEntry(languages, std::nullopt, false, &leaf)) {
      return false;
    }
    Bytes entry;
    if (!ReadRva(leaf, 16, &entry)) return false;
    *size = std::min(U32(entry, 4), kMaxBlock);
    return RvaToOffset(U32(entry, 0), *size, offset);
  }

 private:
  bool RvaToOffset(std::uint32_t rva, std::uint32_t length, std::uint64_t* offset) const {
    for (size_t s = 0; s + 40 <= sections_.size(); s += 40) {
      const std::uint32_t address = U32(sections_, s + 12);
      const std::uint32_t rawSize = U32(sections_, s + 16);
      if (rva >= address && std::uint64_t{rva - address} + length <= rawSize) {
        *offset = std::uint64_t{U32(sections_, s + 20)} + (rva - address);
        return true;
      }
    }
    return false;
  }

  bool ReadRva(std::uint64_t rva, std::uint32_t length, Bytes* out) const {
    std::uint64_t offset = 0;
    return rva <= 0xFFFFFFFF && RvaToOffset(static_cast<std::uint32_t>(rva), length, &offset) &&
           file_.Read(offset, length, out);
  }

  // One level of the resource tree: the entry with the given id (or the first entry), which
  // must be a subdirectory or a leaf as asked.
  bool FindEntry(std::uint32_t directoryRva, std::optional<std::uint32_t> id, bool directory,
                 std::uint32_t* targetRva) const {
    Bytes header, entries;
    if (!ReadRva(directoryRva, 16, &header)) return false;
    const std::uint32_t count = std::uint32_t{U16(header, 12)} + U16(header, 14);
    if (!ReadRva(std::uint64_t{directoryRva} + 16, count * 8, &entries)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint32_t name = U32(entries, i * 8);
      const std::uint32_t data = U32(entries, i * 8 + 4);
      if (id && name != *id) continue;  // named entries have the high bit set: never an id
      if (((data & kSubdirectoryFlag) != 0) != directory) return false;
      const std::uint64_t target = std::uint64_t{resourceRva_} + (data & ~kSubdirectoryFlag);
      if (target > 0xFFFFFFFF) return false;
      *targetRva = static_cast<std::uint32_t>(target);
      return true;
    }
    return false;
  }

  const FileReader& file_;
  std::uint32_t resourceRva_ = 0;
  Bytes sections_;
};

// --- ELF programs ------------------------------------------------------------------------

constexpr std::uint32_t kSectionProgBits = 1;

bool FindElfSection(const FileReader& file, std::uint64_t* offset, std::uint32_t* size) {
  static constexpr std::uint8_t kMagic[4] = {0x7F, 'E', 'L', 'F'};
  // The header is 52 bytes in a 32-bit file and 64 in a 64-bit one; a file cut shorter than
  // its class's header has no section table to look up.
  Bytes ident;
  if (!file.Read(0, 52, &ident)) return false;
  if (std::memcmp(ident.data(), kMagic, 4) != 0) return false;
  const bool wide = ident[4] == 2;
  const bool big = ident[5] == 2;
  if ((ident[4] != 1 && !wide) || (ident[5] != 1 && !big)) return false;
  if (wide && !file.Read(0, 64, &ident)) return false;
  const auto number = [big](const Bytes& b, size_t at, size_t width) {
    return Number(b, at, width, big);
  };

  const std::uint64_t tableOffset = wide ? number(ident, 0x28, 8) : number(ident, 0x20, 4);
  const size_t entrySize = number(ident, wide ? 0x3A : 0x2E, 2);
  std::uint64_t count = number(ident, wide ? 0x3C : 0x30, 2);
  std::uint64_t namesIndex = number(ident, wide ? 0x3E : 0x32, 2);
  if (tableOffset == 0 || entrySize < (wide ? 64u : 40u)) return false;

  struct Section {
    std::uint32_t name, type;
    std::uint64_t offset, size, link;
  };
  const auto decode = [&](const Bytes& table, std::uint64_t index) {
    const size_t at = static_cast<size_t>(index * entrySize);
    return Section{static_cast<std::uint32_t>(number(table, at, 4)),
                   static_cast<std::uint32_t>(number(table, at + 4, 4)),
                   wide ? number(table, at + 24, 8) : number(table, at + 16, 4),
                   wide ? number(table, at + 32, 8) : number(table, at + 20, 4),
                   number(table, at + (wide ? 40 : 24), 4)};
  };

  // Many sections: the real count and name-table index live in section 0.
  Bytes table;
  if (count == 0 || namesIndex == 0xFFFF) {
    if (!file.Read(tableOffset, entrySize, &table)) return false;
    const Section first = decode(table, 0);
    if (count == 0) count = first.size;
    if (namesIndex == 0xFFFF) namesIndex = first.link;
  }
  // Real programs have dozens of sections; the cap bounds what a hostile header can ask for.
  constexpr std::uint64_t kMaxSections = 0x10000;
  constexpr std::uint64_t kMaxNames = 0x100000;
  if (count > kMaxSections || namesIndex >= count ||
      !file.Read(tableOffset, count * entrySize, &table)) {
    return false;
  }
  const Section names = decode(table, namesIndex);
  Bytes nameBytes;
  if (names.size > kMaxNames || !file.Read(names.offset, names.size, &nameBytes)) return false;

  constexpr size_t kNameLength = sizeof(kElfSectionName);  // with its terminator
  for (std::uint64_t i = 0; i < count; ++i) {
    const Section candidate = decode(table, i);
    if (candidate.type != kSectionProgBits || candidate.name > nameBytes.size() ||
        nameBytes.size() - candidate.name < kNameLength ||
        std::memcmp(nameBytes.data() + candidate.name, kElfSectionName, kNameLength) != 0) {
      continue;
    }
    *offset = candidate.offset;
    *size = static_cast<std::uint32_t>(std::min<std::uint64_t>(candidate.size, kMaxBlock));
    return true;
  }
  return false;
}

// --- Compiled resource files (.res) ------------------------------------------------------

// Each resource: data size, header size, type and name (an ordinal after 0xFFFF, or a
// zero-terminated UTF-16 string), more header fields, then the data, padded to 32 bits.
bool FindResEntry(const FileReader& file, std::uint64_t* offset, std::uint32_t* size) {
  static constexpr std::uint8_t kEmptyHeader[16] = {0,    0,    0, 0, 0x20, 0,    0, 0,
                                                    0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
  Bytes head;
  if (!file.Read(0, 16, &head) || std::memcmp(head.data(), kEmptyHeader, 16) != 0) return false;

  // An identifier at `at` within the header: its ordinal, or nullopt for a name or a misfit.
  const auto identifier = [](const Bytes& header, size_t* at) -> std::optional<std::uint16_t> {
    if (*at + 4 > header.size()) {
      *at = header.size();
      return std::nullopt;
    }
    if (U16(header, *at) == 0xFFFF) {
      const std::uint16_t ordinal = U16(header, *at + 2);
      *at += 4;
      return ordinal;
    }
    while (*at + 2 <= header.size() && U16(header, *at) != 0) *at += 2;
    *at += 2;
    return std::nullopt;
  };

  // Real files hold a few dozen resources; the cap bounds the work a hostile one can cause.
  std::uint64_t position = 0;
  for (int resource = 0; resource < 0x10000; ++resource) {
    Bytes sizes;
    if (!file.Read(position, 8, &sizes)) return false;
    const std::uint32_t dataSize = U32(sizes, 0);
    const std::uint32_t headerSize = U32(sizes, 4);
    Bytes header;
    if (headerSize < 16 || !file.Read(position, headerSize, &header)) return false;
    size_t at = 8;
    const auto type = identifier(header, &at);
    const auto name = identifier(header, &at);
    if (type == kRtVersion && name == kVsVersionInfo) {
      *offset = position + headerSize;
      *size = std::min(dataSize, kMaxBlock);
      return true;
    }
    position = (position + headerSize + dataSize + 3) & ~std::uint64_t{3};
  }
  return false;
}

// The version resource's bytes, as much as a version block can use.
bool ReadResource(const std::string& fileName, Bytes* data) {
  const FileReader file(fileName);
  if (!file.ok()) return false;
  std::uint64_t offset = 0;
  std::uint32_t size = 0;
  PeImage pe(file);
  const bool found = (pe.Open() && pe.FindVersion(&offset, &size)) ||
                     FindElfSection(file, &offset, &size) || FindResEntry(file, &offset, &size);
  return found && file.Read(offset, size, data);
}

}  // namespace

std::uint32_t GetFileVersionInfoSize(const std::string& fileName) {
  Bytes data;
  return ReadResource(fileName, &data) ? VersionBlockLength(data) : 0;
}

bool GetFileVersionInfo(const std::string& fileName, std::span<std::uint8_t> data) {
  Bytes resource;
  if (!ReadResource(fileName, &resource)) return false;
  const std::uint32_t length = VersionBlockLength(resource);
  if (length == 0) return false;
  std::copy_n(resource.begin(), std::min<size_t>(length, data.size()), data.begin());
  return true;
}

}  // namespace version
