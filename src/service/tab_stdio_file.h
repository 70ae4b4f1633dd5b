#pragma once
// A text file of records, one record a line, fields separated by tabs.

#include <cstddef>
#include <cstdio>
#include <string>

class CTabStdioFile {
 public:
  static constexpr size_t kMaxFields = 10;
  // A line holds at most this many characters, its separators and line feed included.
  static constexpr size_t kMaxLine = 255;

  enum class Mode { Read, Write };

  CTabStdioFile() = default;
  CTabStdioFile(const CTabStdioFile&) = delete;
  CTabStdioFile& operator=(const CTabStdioFile&) = delete;
  ~CTabStdioFile();

  // Opening for writing creates the file or cuts it to zero length.
  bool Open(const std::string& name, Mode mode);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  // Appends a field to the pending line; with `endOfRecord` the line is written out. A field
  // that would make the line 256 characters or more is dropped without notice.
  void WriteField(const std::string& text, bool endOfRecord);

  // Reads the next line into the field table; false at the end of the file.
  bool ReadRecord();

  // Hands out the next field of the current record, reading a record first when all have
  // been handed out. Refuses (false, nothing advanced, destination untouched) when no record
  // can be read, when `endOfRecord` disagrees with whether this is the record's last field,
  // or when the field does not fit `capacity` (its zero terminator included).
  bool ReadField(std::string& destination, size_t capacity, bool endOfRecord);

 private:
  // Lines are stored with a carriage return before each line feed on every system, as the
  // program's first home wrote them in text mode; reading drops that carriage return again.
  bool ReadLine(std::string& line);

  std::FILE* file_ = nullptr;
  std::string fields_[kMaxFields];
  size_t fieldCount_ = 0;
  size_t nextField_ = 0;
  std::string pendingLine_;
};
