#include "service/tab_stdio_file.h"

#include "platform/new_file.h"

CTabStdioFile::~CTabStdioFile() { Close(); }

bool CTabStdioFile::Open(const std::string& name, Mode mode) {
  Close();
  if (mode == Mode::Read) {
    file_ = std::fopen(name.c_str(), "rb");
    return file_ != nullptr;
  }
  // Made anew, owner-only and never through a planted link: it names the account.
  file_ = platform::OpenNewFile(name);
  return file_ != nullptr;
}

void CTabStdioFile::Close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

void CTabStdioFile::WriteField(const std::string& text, bool endOfRecord) {
  if (pendingLine_.size() + text.size() + 1 >= kMaxLine + 1) return;
  pendingLine_ += text;
  if (!endOfRecord) {
    pendingLine_ += '\t';
    return;
  }
  pendingLine_ += '\n';
  if (file_ != nullptr) {
    std::string stored;
    stored.reserve(pendingLine_.size() + 1);
    for (char c : pendingLine_) {
      if (c == '\n') stored += '\r';
      stored += c;
    }
    std::fwrite(stored.data(), 1, stored.size(), file_);
  }
  pendingLine_.clear();
}

bool CTabStdioFile::ReadLine(std::string& line) {
  line.clear();
  if (file_ == nullptr) return false;
  bool any = false;
  bool pendingCr = false;
  int c;
  while ((c = std::fgetc(file_)) != EOF) {
    any = true;
    if (pendingCr) {
      pendingCr = false;
      if (c != '\n' && line.size() < kMaxLine) line += '\r';
    }
    if (c == '\r') {
      pendingCr = true;
      continue;
    }
    if (c == '\n') {
      // A line longer than the limit keeps its first characters; the rest of it is skipped
      // so that the next record still starts at the next line.
      if (line.size() >= kMaxLine) line.resize(kMaxLine - 1);
      line += '\n';
      return true;
    }
    if (line.size() < kMaxLine) line += static_cast<char>(c);
  }
  if (pendingCr && line.size() < kMaxLine) line += '\r';
  // A last line without its line feed is still a record.
  return any;
}

bool CTabStdioFile::ReadRecord() {
  std::string line;
  if (!ReadLine(line)) return false;
  if (!line.empty() && line.back() == '\n') line.pop_back();

  fieldCount_ = 0;
  size_t start = 0;
  while (fieldCount_ < kMaxFields) {
    const size_t tab = line.find('\t', start);
    if (tab == std::string::npos || fieldCount_ == kMaxFields - 1) {
      // The last field ends at the line's end (or, past ten fields, at the next tab).
      fields_[fieldCount_++] = line.substr(start, tab == std::string::npos ? tab : tab - start);
      break;
    }
    fields_[fieldCount_++] = line.substr(start, tab - start);
    start = tab + 1;
  }
  nextField_ = 0;
  return true;
}

bool CTabStdioFile::ReadField(std::string& destination, size_t capacity, bool endOfRecord) {
  if (nextField_ >= fieldCount_ && !ReadRecord()) return false;
  const bool last = nextField_ + 1 == fieldCount_;
  if (endOfRecord != last) return false;
  const std::string& field = fields_[nextField_];
  if (field.size() >= capacity) return false;
  destination = field;
  ++nextField_;
  return true;
}
