#include "support/refservice/refservice_fixture.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>

namespace testsupport {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kListening = "listening on 127.0.0.1:";

bool SameNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

RecordedRequest ParseRecord(const std::string& text) {
  RecordedRequest request;
  const size_t headEnd = text.find("\r\n\r\n");
  const std::string_view head = std::string_view(text).substr(0, headEnd);
  request.body = headEnd == std::string::npos ? std::string() : text.substr(headEnd + 4);

  size_t pos = 0;
  bool first = true;
  while (pos <= head.size()) {
    size_t eol = head.find("\r\n", pos);
    if (eol == std::string_view::npos) eol = head.size();
    const std::string_view line = head.substr(pos, eol - pos);
    pos = eol + 2;
    if (first) {
      first = false;
      const size_t a = line.find(' ');
      const size_t b = line.find(' ', a + 1);
      request.method = line.substr(0, a);
      request.path = line.substr(a + 1, b - a - 1);
    } else if (const size_t colon = line.find(": "); colon != std::string_view::npos) {
      request.headers.emplace_back(line.substr(0, colon), line.substr(colon + 2));
    }
  }
  return request;
}

}  // namespace

std::string RecordedRequest::Header(std::string_view name) const {
  for (const auto& [key, value] : headers)
    if (SameNoCase(key, name)) return value;
  return {};
}

RefService::~RefService() { Stop(); }

fs::path RefService::Program() { return TESMIRA_REFSERVICE_PROGRAM; }
fs::path RefService::SampleList() {
  return fs::path(TESMIRA_REFSERVICE_SOURCE_DIR) / "ServerList.txt";
}
fs::path RefService::DemoConfig() { return fs::path(TESMIRA_REFSERVICE_SOURCE_DIR) / "demo.conf"; }

bool RefService::Serve(const fs::path& dir, const std::string& listRows,
                       const std::string& account) {
  std::ofstream(dir / "list.txt", std::ios::binary) << listRows;
  std::ofstream(dir / "service.conf", std::ios::binary) << "account = " << account << "\n";
  return Start(dir / "list.txt", dir / "service.conf");
}

bool RefService::Start(const fs::path& listFile, const fs::path& configFile) {
  Stop();
  error_.clear();
  recordDir_ = std::make_unique<TempDir>("tesmira-refservice");
  ChildOptions options;
  options.argv = {Program().string(), "--port", "0", "--record", recordDir_->Path().string()};
  if (!listFile.empty()) options.argv.insert(options.argv.end(), {"--list", listFile.string()});
  if (!configFile.empty())
    options.argv.insert(options.argv.end(), {"--config", configFile.string()});
  process_ = std::make_unique<ChildProcess>();
  if (!process_->Start(options, &error_)) return false;

  // The first line names the port; anything else means the service refused to start.
  process_->WaitForOutput("\n", 30s);
  const std::string output = process_->Output();
  int port = 0;
  if (output.starts_with(kListening)) {
    const char* begin = output.data() + kListening.size();
    std::from_chars(begin, output.data() + output.size(), port);
  }
  if (port <= 0) {
    process_->Stop(SIGKILL);
    error_ = "tesmira-refservice did not start: " + process_->Output();
    return false;
  }
  port_ = port;
  return true;
}

int RefService::Stop() {
  port_ = 0;
  return process_ ? process_->Stop() : 0;
}

std::string RefService::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<RecordedRequest> RefService::Requests() const {
  std::vector<fs::path> files;
  if (recordDir_) {
    for (const auto& entry : fs::directory_iterator(recordDir_->Path()))
      if (entry.path().extension() == ".req") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());  // numbered in arrival order
  std::vector<RecordedRequest> requests;
  for (const fs::path& file : files) requests.push_back(ParseRecord(ReadFileBytes(file)));
  return requests;
}

}  // namespace testsupport
