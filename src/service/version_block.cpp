#include "service/version_block.h"

#include <algorithm>
#include <cstddef>

namespace version {
namespace {

// Every node of the block: wLength, wValueLength, wType, a zero-terminated UTF-16 key, padding
// to a 32-bit boundary, the value, padding, then the child nodes. Offsets count from the start
// of the block, which is how the resource compiler aligns them.
struct Node {
  size_t end = 0;
  std::span<const std::uint8_t> key;  // UTF-16LE, without its terminator
  std::span<const std::uint8_t> value;
  bool text = false;
  size_t childrenStart = 0;
};

constexpr size_t kHeaderSize = 6;
constexpr std::uint16_t kTextType = 1;

std::uint16_t Word(std::span<const std::uint8_t> bytes, size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

size_t Align4(size_t offset) { return (offset + 3) & ~size_t{3}; }

// Reads the node at `start`; it must lie wholly before `limit`.
bool ParseNode(std::span<const std::uint8_t> block, size_t start, size_t limit, Node* node) {
  limit = std::min(limit, block.size());
  if (start > limit || limit - start < kHeaderSize) return false;
  const size_t length = Word(block, start);
  if (length < kHeaderSize || length > limit - start) return false;
  node->end = start + length;
  const size_t valueLength = Word(block, start + 2);
  node->text = Word(block, start + 4) == kTextType;

  size_t keyEnd = start + kHeaderSize;
  while (true) {
    if (node->end - keyEnd < 2) return false;  // no terminator inside the node
    if (Word(block, keyEnd) == 0) break;
    keyEnd += 2;
  }
  node->key = block.subspan(start + kHeaderSize, keyEnd - (start + kHeaderSize));

  // Text lengths count UTF-16 units. A length that runs past the node is cut to it rather than
  // trusted: some tools count text in bytes, and hostile files count anything.
  const size_t valueStart = std::min(Align4(keyEnd + 2), node->end);
  const size_t valueBytes = node->text ? valueLength * 2 : valueLength;
  const size_t valueEnd = valueStart + std::min(valueBytes, node->end - valueStart);
  node->value = block.subspan(valueStart, valueEnd - valueStart);
  node->childrenStart = Align4(valueEnd);
  return true;
}

bool KeyEquals(std::span<const std::uint8_t> key, std::string_view name) {
  const std::string text = Utf16ToUtf8(key);
  return std::equal(text.begin(), text.end(), name.begin(), name.end(), [](char a, char b) {
    const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    return fold(a) == fold(b);
  });
}

bool FindChild(std::span<const std::uint8_t> block, const Node& parent, std::string_view name,
               Node* child) {
  // Each step moves forward by at least one header, so a hostile block cannot loop here.
  for (size_t offset = parent.childrenStart; offset < parent.end;) {
    if (!ParseNode(block, offset, parent.end, child)) return false;
    if (KeyEquals(child->key, name)) return true;
    offset = Align4(child->end);
  }
  return false;
}

}  // namespace

std::string Utf16ToUtf8(std::span<const std::uint8_t> utf16le) {
  std::string out;
  out.reserve(utf16le.size());
  const size_t units = utf16le.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    std::uint32_t code = Word(utf16le, i * 2);
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < units) {
      const std::uint32_t low = Word(utf16le, (i + 1) * 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return out;
}

std::uint32_t VersionBlockLength(std::span<const std::uint8_t> data) {
  Node root;
  if (!ParseNode(data, 0, data.size(), &root)) return 0;
  if (Utf16ToUtf8(root.key) != "VS_VERSION_INFO") return 0;
  return static_cast<std::uint32_t>(root.end);
}

bool VerQueryValue(std::span<const std::uint8_t> block, std::string_view subBlock,
                   std::string* value) {
  Node node;
  if (!ParseNode(block, 0, block.size(), &node)) return false;
  while (!subBlock.empty()) {
    const size_t slash = subBlock.find('\\');
    const std::string_view component = subBlock.substr(0, slash);
    subBlock = slash == std::string_view::npos ? std::string_view() : subBlock.substr(slash + 1);
    if (component.empty()) continue;
    Node child;
    if (!FindChild(block, node, component, &child)) return false;
    node = child;
  }
  if (node.text) {
    size_t units = 0;
    while (units * 2 + 1 < node.value.size() && Word(node.value, units * 2) != 0) ++units;
    *value = Utf16ToUtf8(node.value.first(units * 2));
  } else {
    value->assign(node.value.begin(), node.value.end());
  }
  return true;
}

VS_FIXEDFILEINFO DecodeFixedFileInfo(std::string_view bytes) {
  std::uint32_t words[13] = {};
  for (size_t i = 0; i < 13 && i * 4 + 4 <= bytes.size(); ++i) {
    for (size_t b = 4; b-- > 0;) {
      words[i] = words[i] << 8 | static_cast<std::uint8_t>(bytes[i * 4 + b]);
    }
  }
  return VS_FIXEDFILEINFO{words[0], words[1], words[2], words[3],  words[4],  words[5], words[6],
                          words[7], words[8], words[9], words[10], words[11], words[12]};
}

}  // namespace version
