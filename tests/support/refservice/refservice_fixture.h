#pragma once
// Runs the reference service (tesmira-refservice) on a free loopback port for one test.
//
//   testsupport::RefService service;
//   ASSERT_TRUE(service.Start(RefService::SampleList(), configFile)) << service.Error();
//   ... fetch service.BaseUrl() + "/ServerList.txt" ...
//   EXPECT_EQ(service.Requests().back().body, "Account=demo&Version=1.3.0.0");
//
// The service reads its list and config files at every request, so a test may rewrite them
// between requests. The process ends with the object, also when the test fails.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/refservice/child_process.h"

namespace testsupport {

struct RecordedRequest {
  std::string method;  // "GET" or "POST"
  std::string path;
  std::vector<std::pair<std::string, std::string>> headers;  // as sent, in name order
  std::string body;                                          // byte for byte

  // The value of a header, matched without regard to case; empty when absent.
  std::string Header(std::string_view name) const;
};

class RefService {
 public:
  RefService() = default;
  ~RefService();
  RefService(const RefService&) = delete;
  RefService& operator=(const RefService&) = delete;

  // An empty list path makes GET /ServerList.txt answer 404; an empty config path answers
  // every account with status OK and no password.
  bool Start(const std::filesystem::path& listFile, const std::filesystem::path& configFile);
  // Writes `listRows` (whole lines, "\r\n" ended) as `dir`/list.txt and the one account
  // `account` ("name password") as `dir`/service.conf, and serves them.
  bool Serve(const std::filesystem::path& dir, const std::string& listRows,
             const std::string& account);
  // Ends the service (SIGTERM, which it handles cleanly); returns its wait status.
  int Stop();

  int Port() const { return port_; }
  std::string BaseUrl() const;  // "http://127.0.0.1:PORT"
  pid_t Pid() const { return process_ ? process_->Pid() : -1; }
  const std::string& Error() const { return error_; }

  // Requests the service has answered or is answering, in arrival order.
  std::vector<RecordedRequest> Requests() const;
  // What the service printed: the listening line, then one line per request.
  std::string Log() const { return process_ ? process_->Output() : std::string(); }

  static std::filesystem::path Program();
  static std::filesystem::path SampleList();  // tools/refservice/ServerList.txt
  static std::filesystem::path DemoConfig();  // tools/refservice/demo.conf

 private:
  std::unique_ptr<ChildProcess> process_;
  std::unique_ptr<TempDir> recordDir_;
  int port_ = 0;
  std::string error_;
};

}  // namespace testsupport
