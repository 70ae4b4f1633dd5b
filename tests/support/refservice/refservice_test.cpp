#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <set>

#include "support/refservice/refservice_fixture.h"

namespace testsupport {
namespace {

constexpr const char* kStartPath = "/tesmira/start.php";
constexpr const char* kForm = "application/x-www-form-urlencoded";

std::vector<std::string> SplitFields(const std::string& record) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t bar; (bar = record.find('|', start)) != std::string::npos; start = bar + 1)
    fields.push_back(record.substr(start, bar - start));
  fields.push_back(record.substr(start));
  return fields;
}

TEST(SampleServerList, IsEightWellFormedRecordsOnDocumentationAddresses) {
  const std::string bytes = ReadFileBytes(RefService::SampleList());
  ASSERT_TRUE(bytes.ends_with(",\r\n"));
  std::vector<std::string> lines;
  for (size_t pos = 0, eol; (eol = bytes.find("\r\n", pos)) != std::string::npos; pos = eol + 2)
    lines.push_back(bytes.substr(pos, eol - pos));
  EXPECT_EQ(lines.size(), 8u);
  EXPECT_EQ(bytes.find('\n', 0), bytes.find("\r\n") + 1) << "every line ends in CR LF";

  const auto documentation = [](const std::string& ip) {
    return ip.starts_with("192.0.2.") || ip.starts_with("198.51.100.") ||
           ip.starts_with("203.0.113.") || ip == "127.0.0.1";
  };
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    ASSERT_TRUE(line.ends_with(","));
    const std::vector<std::string> fields = SplitFields(line.substr(0, line.size() - 1));
    ASSERT_EQ(fields.size(), 6u);
    EXPECT_EQ(line.find(','), line.size() - 1) << "a comma inside a field";
    EXPECT_TRUE(documentation(fields[0]));
    EXPECT_TRUE(documentation(fields[4]));
    for (const std::string& field : fields) EXPECT_FALSE(field.empty());
    const int port = std::stoi(fields[5]);
    EXPECT_TRUE(port > 0 && port < 65536);
  }
}

TEST(RefService, ServesTheListFileByteForByteAndRecordsTheRequest) {
  TempDir dir;
  // Bytes a real host may send: bare CR, no final line end, a byte above 0x7F.
  const auto list = dir.Write("list.txt", "a|b\r\nc\rd|\xE9|e|f|1,\nlast");
  RefService service;
  ASSERT_TRUE(service.Start(list, {})) << service.Error();
  EXPECT_NE(service.BaseUrl().find(":" + std::to_string(service.Port())), std::string::npos);

  httplib::Client client(service.BaseUrl());
  httplib::Headers headers = {{"User-Agent", "Tesmira"}};
  const auto res = client.Get("/ServerList.txt", headers);
  ASSERT_TRUE(res) << httplib::to_string(res.error());
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->body, ReadFileBytes(list));

  // Another path, or the same path with the dot matched loosely, is not the list.
  EXPECT_EQ(client.Get("/ServerListXtxt")->status, 404);
  EXPECT_EQ(client.Get("/serverlist.txt")->status, 404);

  const std::vector<RecordedRequest> requests = service.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].path, "/ServerList.txt");
  EXPECT_EQ(requests[0].Header("user-agent"), "Tesmira");
  EXPECT_EQ(requests[0].Header("REMOTE_ADDR"), "") << "the server's own notes are not headers";
}

TEST(RefService, WithoutAListTheListIsNotFound) {
  RefService service;
  ASSERT_TRUE(service.Start({}, {})) << service.Error();
  httplib::Client client(service.BaseUrl());
  const auto res = client.Get("/ServerList.txt");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 404);
  // No config: status OK, no password for anyone.
  const auto start = client.Post(kStartPath, "Account=demo&Version=1.3.0.0", kForm);
  ASSERT_TRUE(start);
  EXPECT_EQ(start->body, "StatStartOKStatEnd");
}

// One service for the whole table: it rereads its config at every request.
TEST(RefService, AnswersTheStartupExchangeAsConfigured) {
  struct Case {
    const char* name;
    std::string config;
    std::string body;
    int status;
    std::string answer;
  };
  const std::string accounts = "account = demo s3cret pass\naccount = nopw\naccount = a&b amp\n";
  static constexpr char kRaw[] = "StatStartOKStatEndMsgStart no end\0PWStartxPWEnd";
  const std::string raw(kRaw, sizeof kRaw - 1);
  const std::vector<Case> cases = {
      {"known account", accounts, "Account=demo&Version=1.3.0.0", 200,
       "StatStartOKStatEndPWStarts3cret passPWEnd"},
      {"unknown account", accounts, "Account=guest&Version=1.3.0.0", 200, "StatStartOKStatEnd"},
      {"empty account name", accounts, "Account=&Version=", 200, "StatStartOKStatEnd"},
      {"empty password", accounts, "Account=nopw&Version=1.3.0.0", 200,
       "StatStartOKStatEndPWStartPWEnd"},
      {"ampersand in the name", accounts, "Account=a&b&Version=1.3.0.0", 200,
       "StatStartOKStatEndPWStartampPWEnd"},
      {"notice and caption", accounts + "notice = Down until 18:00.\ncaption = Tesmira\n",
       "Account=demo&Version=", 200,
       "StatStartOKStatEndMsgCapStartTesmiraMsgCapEndMsgStartDown until "
       "18:00.MsgEndPWStarts3cret passPWEnd"},
      {"notice without caption", "notice = Hello\n", "Account=x&Version=1", 200,
       "StatStartOKStatEndMsgStartHelloMsgEnd"},
      {"other status word", "status = BUSY\r\n", "Account=x&Version=1", 200,
       "StatStartBUSYStatEnd"},
      {"no status field", accounts + "answer = no-status\n", "Account=demo&Version=1", 200,
       "PWStarts3cret passPWEnd"},
      {"empty answer", accounts + "answer = empty\n", "Account=demo&Version=1", 200, ""},
      {"raw answer", "answer = raw\nraw = raw.bin\n", "Account=demo&Version=1", 200, raw},
      {"error status with a body", "http-status = 500\n", "Account=x&Version=1", 500,
       "StatStartOKStatEnd"},
      {"body of another shape", "", "Version=1&Account=demo", 400, ""},
      {"no version field", "", "Account=demo", 400, ""},
  };

  TempDir dir;
  dir.Write("raw.bin", raw);
  const auto config = dir.Write("service.conf", "");
  RefService service;
  ASSERT_TRUE(service.Start({}, config)) << service.Error();
  httplib::Client client(service.BaseUrl());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir.Write("service.conf", c.config);
    const auto res = client.Post(kStartPath, c.body, kForm);
    ASSERT_TRUE(res) << httplib::to_string(res.error());
    EXPECT_EQ(res->status, c.status);
    EXPECT_EQ(res->body, c.answer);
  }
}

TEST(RefService, DemoConfigGivesTheDemoAccountAPassword) {
  RefService service;
  ASSERT_TRUE(service.Start(RefService::SampleList(), RefService::DemoConfig())) << service.Error();
  httplib::Client client(service.BaseUrl());
  const auto res = client.Post(kStartPath, "Account=demo&Version=1.3.0.0", kForm);
  ASSERT_TRUE(res);
  EXPECT_TRUE(res->body.starts_with("StatStartOKStatEndPWStart")) << res->body;
  EXPECT_TRUE(res->body.ends_with("PWEnd")) << res->body;
  EXPECT_GT(res->body.size(), std::string("StatStartOKStatEndPWStartPWEnd").size());
  EXPECT_EQ(res->body.find("MsgStart"), std::string::npos) << "the demo shows no notice";
}

TEST(RefService, RecordsEachPostBodyRawInArrivalOrder) {
  RefService service;
  ASSERT_TRUE(service.Start({}, {})) << service.Error();
  httplib::Client client(service.BaseUrl());
  // Bodies go out unencoded, so blanks, "%" and high bytes must come back untouched.
  const std::vector<std::string> bodies = {"Account=J\xF6rg M%20&Version=1.3.0.0",
                                           "Account=second&Version=", "Account=x&Version=1"};
  for (const std::string& body : bodies) ASSERT_TRUE(client.Post(kStartPath, body, kForm));

  const std::vector<RecordedRequest> requests = service.Requests();
  ASSERT_EQ(requests.size(), bodies.size());
  for (size_t i = 0; i < bodies.size(); ++i) {
    EXPECT_EQ(requests[i].method, "POST");
    EXPECT_EQ(requests[i].path, kStartPath);
    EXPECT_EQ(requests[i].body, bodies[i]);
    EXPECT_EQ(requests[i].Header("Content-Type"), kForm);
  }
  // The log has one line per request, after the listening line.
  service.Stop();
  const std::string log = service.Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4) << log;
  EXPECT_NE(log.find("account=\"second\""), std::string::npos) << log;
}

TEST(RefService, RefusesToStartOnABadConfigAndSaysWhere) {
  TempDir dir;
  const struct {
    std::string config;
    std::string why;
  } cases[] = {
      {"status = OK\npassword = x\n", "service.conf:2: unknown key \"password\""},
      {"answer = raw\n", "answer = raw needs a raw = FILE line"},
      {"answer = sometimes\n", "service.conf:1: answer must be"},
      {"account =  \n", "service.conf:1: account without a name"},
      {"delay-ms = soon\n", "service.conf:1: delay-ms must be"},
      {"just words\n", "service.conf:1: expected"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.config);
    RefService service;
    EXPECT_FALSE(service.Start({}, dir.Write("service.conf", c.config)));
    EXPECT_NE(service.Error().find(c.why), std::string::npos) << service.Error();
  }
  RefService missing;
  EXPECT_FALSE(missing.Start(dir.Path() / "absent.txt", {}));
  EXPECT_NE(missing.Error().find("cannot read list file"), std::string::npos) << missing.Error();
}

TEST(RefService, StopsCleanlyCanStartAgainAndLeavesNoProcessBehind) {
  pid_t first = 0;
  pid_t second = 0;
  {
    RefService service;
    ASSERT_TRUE(service.Start(RefService::SampleList(), RefService::DemoConfig()))
        << service.Error();
    first = service.Pid();
    ASSERT_GT(first, 0);
    EXPECT_EQ(::kill(first, 0), 0);
    ASSERT_TRUE(httplib::Client(service.BaseUrl()).Get("/ServerList.txt"));
    // A clean exit on SIGTERM (in a sanitizer build also: nothing leaked).
    const int status = service.Stop();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << service.Log();
    EXPECT_EQ(::kill(first, 0), -1);

    ASSERT_TRUE(service.Start({}, {})) << service.Error();
    second = service.Pid();
    ASSERT_TRUE(httplib::Client(service.BaseUrl()).Get("/ServerList.txt"));
  }  // the destructor stops the second one
  for (const pid_t pid : {first, second}) {
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
  }
}

TEST(RefService, AFixedPortAlreadyInUseIsReported) {
  RefService first;
  ASSERT_TRUE(first.Start({}, {})) << first.Error();
  ChildProcess second;
  ChildOptions options;
  options.argv = {RefService::Program().string(), "--port", std::to_string(first.Port())};
  std::string error;
  ASSERT_TRUE(second.Start(options, &error)) << error;
  const std::optional<int> status = second.WaitExit(30s);
  ASSERT_TRUE(status);
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << *status;
  EXPECT_NE(second.Output().find("cannot listen on 127.0.0.1:" + std::to_string(first.Port())),
            std::string::npos)
      << second.Output();
}

}  // namespace
}  // namespace testsupport
