#pragma once
// Files, fixtures and environment for the version-resource tests.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace version_test {

using Bytes = std::vector<std::uint8_t>;

inline std::string Fixture(std::string_view name) {
  return std::string(TESMIRA_VERSION_FIXTURES) + "/" + std::string(name);
}

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::uint32_t Get(const Bytes& b, size_t at, size_t width) {
  std::uint32_t value = 0;
  for (size_t i = width; i-- > 0;) value = value << 8 | b.at(at + i);
  return value;
}

inline void Put(Bytes& b, size_t at, size_t width, std::uint32_t value) {
  for (size_t i = 0; i < width; ++i) b.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

// Where the node with this key starts: the key is UTF-16 after a 6-byte header.
inline size_t NodeOffset(const Bytes& bytes, std::string_view key) {
  Bytes pattern;
  for (char c : key) {
    pattern.push_back(static_cast<std::uint8_t>(c));
    pattern.push_back(0);
  }
  pattern.push_back(0);
  pattern.push_back(0);
  const auto found = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
  if (found == bytes.end() || found - bytes.begin() < 6) {
    ADD_FAILURE() << "no node " << key;
    return 0;
  }
  return static_cast<size_t>(found - bytes.begin()) - 6;
}

// A compiled resource file holding one version block, as the resource compiler lays it out.
inline Bytes ResFile(const Bytes& block) {
  Bytes res = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
  res.resize(32);
  Bytes header(32);
  Put(header, 0, 4, static_cast<std::uint32_t>(block.size()));
  Put(header, 4, 4, 32);
  Put(header, 8, 4, 0x0010FFFF);   // type RT_VERSION
  Put(header, 12, 4, 0x0001FFFF);  // name 1
  res.insert(res.end(), header.begin(), header.end());
  res.insert(res.end(), block.begin(), block.end());
  return res;
}

// A directory of its own under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tesmira-version-XXXXXX");
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

 private:
  std::string path_;
};

// Sets (or, for nullopt, unsets) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// The user's language for one scope, through the variable that rules over the others.
class ScopedLocale {
 public:
  explicit ScopedLocale(std::string locale) : all_("LC_ALL", std::move(locale)) {}

 private:
  ScopedEnv all_;
};

}  // namespace version_test
