// tesmira-refservice: the vendor's web service in miniature, on loopback only, for the demo and
// the tests. See README.md for the options and the config file.

#include <httplib.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "config.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kHost = "127.0.0.1";

struct Options {
  int port = 0;
  fs::path listFile;
  fs::path configFile;
  fs::path recordDir;
};

void Usage(std::FILE* to) {
  std::fprintf(to,
               "usage: tesmira-refservice [--port N] [--list FILE] [--config FILE] "
               "[--record DIR]\n"
               "  --port N       port on 127.0.0.1 (0, the default: any free port)\n"
               "  --list FILE    served as GET /ServerList.txt, byte for byte\n"
               "  --config FILE  accounts and answers of POST /tesmira/start.php\n"
               "  --record DIR   keep every request of both routes as a file in DIR\n"
               "The first line on stdout is \"listening on 127.0.0.1:PORT\"; requests are "
               "logged on stderr.\n");
}

std::optional<Options> ParseArgs(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      Usage(stdout);
      std::exit(0);
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "tesmira-refservice: %s needs a value\n", arg.c_str());
      return std::nullopt;
    }
    const std::string value = argv[++i];
    if (arg == "--port") {
      char* end = nullptr;
      const long port = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || port < 0 || port > 65535) {
        std::fprintf(stderr, "tesmira-refservice: bad port \"%s\"\n", value.c_str());
        return std::nullopt;
      }
      options.port = static_cast<int>(port);
    } else if (arg == "--list") {
      options.listFile = value;
    } else if (arg == "--config") {
      options.configFile = value;
    } else if (arg == "--record") {
      options.recordDir = value;
    } else {
      std::fprintf(stderr, "tesmira-refservice: unknown option %s\n", arg.c_str());
      return std::nullopt;
    }
  }
  return options;
}

std::optional<std::string> ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return std::move(bytes).str();
}

class Service {
 public:
  explicit Service(Options options) : options_(std::move(options)) {}

  // Checks what can be checked before the first request, so that a typo fails at start.
  bool Check() {
    std::string error;
    if (!options_.configFile.empty() && !LoadConfig(&error)) {
      Log(error);
      return false;
    }
    if (!options_.listFile.empty() && !ReadFile(options_.listFile)) {
      Log("cannot read list file " + options_.listFile.string());
      return false;
    }
    if (!options_.recordDir.empty()) {
      std::error_code ec;
      fs::create_directories(options_.recordDir, ec);
      if (!fs::is_directory(options_.recordDir)) {
        Log("cannot make record folder " + options_.recordDir.string());
        return false;
      }
    }
    return true;
  }

  void Install(httplib::Server& server) {
    // Patterns are regular expressions; the dots are meant literally.
    server.Get(R"(/ServerList\.txt)", [this](const httplib::Request& req, httplib::Response& res) {
      ServeList(req, res);
    });
    server.Post(R"(/tesmira/start\.php)",
                [this](const httplib::Request& req, httplib::Response& res) { Start(req, res); });
    server.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
      std::string line = req.remote_addr + " \"" + req.method + " " + req.path + "\" " +
                         std::to_string(res.status) + " " + std::to_string(res.body.size()) +
                         " bytes";
      if (const auto start = refservice::ParseStartRequest(req.body); start && req.method == "POST")
        line += " account=\"" + start->account + "\" version=\"" + start->version + "\"";
      Log(line);
    });
  }

 private:
  // The config is read at every request, so a test can change the answers between requests.
  std::optional<refservice::Config> LoadConfig(std::string* error) {
    if (options_.configFile.empty()) return refservice::Config{};
    return refservice::LoadConfig(options_.configFile, error);
  }

  void ServeList(const httplib::Request& req, httplib::Response& res) {
    Record(req);
    std::string error;
    const auto config = LoadConfig(&error);
    if (!config) return Fail(res, error);
    Delay(*config);
    if (options_.listFile.empty()) {
      res.status = 404;
      return;
    }
    const auto list = ReadFile(options_.listFile);
    if (!list) return Fail(res, "cannot read list file " + options_.listFile.string());
    res.status = config->httpStatus;
    res.set_content(*list, "text/plain");
  }

  void Start(const httplib::Request& req, httplib::Response& res) {
    Record(req);
    std::string error;
    const auto config = LoadConfig(&error);
    if (!config) return Fail(res, error);
    Delay(*config);
    const auto request = refservice::ParseStartRequest(req.body);
    if (!request) {
      // A body of the wrong shape is the client's fault: an empty answer makes it visible.
      res.status = 400;
      return;
    }
    res.status = config->httpStatus;
    switch (config->answer) {
      case refservice::Answer::Normal:
        res.set_content(refservice::BuildStartResponse(*config, *request), "text/html");
        break;
      case refservice::Answer::NoStatus: {
        std::string body = refservice::BuildStartResponse(*config, *request);
        body.erase(0, body.find("StatEnd") + 7);
        res.set_content(body, "text/html");
        break;
      }
      case refservice::Answer::Empty:
        res.set_content("", "text/html");
        break;
      case refservice::Answer::Raw: {
        const auto raw = ReadFile(config->rawFile);
        if (!raw) return Fail(res, "cannot read raw answer " + config->rawFile.string());
        res.set_content(*raw, "text/html");
        break;
      }
    }
  }

  void Fail(httplib::Response& res, const std::string& why) {
    Log("error: " + why);
    res.status = 500;
  }

  static void Delay(const refservice::Config& config) {
    if (config.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(config.delayMs));
  }

  // One file per request, "NNNNNN-METHOD.req": request line, headers, blank line, raw body.
  // It is renamed into place whole before the answer goes out, so a reader never sees half.
  void Record(const httplib::Request& req) {
    if (options_.recordDir.empty()) return;
    char name[64];
    std::snprintf(name, sizeof name, "%06u-%s", ++sequence_, req.method.c_str());
    std::string text = req.method + " " + req.path + " " + req.version + "\r\n";
    for (const auto& [key, value] : req.headers) {
      // The server library files the peer's addresses among the headers; they were not sent.
      if (key == "LOCAL_ADDR" || key == "LOCAL_PORT" || key == "REMOTE_ADDR" ||
          key == "REMOTE_PORT")
        continue;
      text += key + ": " + value + "\r\n";
    }
    text += "\r\n";
    text += req.body;
    const fs::path temp = options_.recordDir / (std::string(".") + name);
    const fs::path final = options_.recordDir / (std::string(name) + ".req");
    {
      std::ofstream out(temp, std::ios::binary | std::ios::trunc);
      out.write(text.data(), static_cast<std::streamsize>(text.size()));
      if (!out) {
        Log("cannot record request to " + temp.string());
        return;
      }
    }
    std::error_code ec;
    fs::rename(temp, final, ec);
    if (ec) Log("cannot record request to " + final.string());
  }

  void Log(const std::string& line) {
    std::lock_guard lock(logMutex_);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
  }

  Options options_;
  std::atomic<unsigned> sequence_{0};
  std::mutex logMutex_;
};

}  // namespace

int main(int argc, char** argv) {
  const auto options = ParseArgs(argc, argv);
  if (!options) {
    Usage(stderr);
    return 2;
  }

  // Signals are taken by one thread that stops the server cleanly; the rest never see them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  Service service(*options);
  if (!service.Check()) return 1;

  httplib::Server server;
  // The library's default also sets SO_REUSEPORT, which lets a second service share a fixed
  // port silently instead of failing.
  server.set_socket_options([](socket_t sock) {
    const int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  service.Install(server);

  int port = options->port;
  if (port == 0) {
    port = server.bind_to_any_port(kHost);
  } else if (!server.bind_to_port(kHost, port)) {
    port = -1;
  }
  if (port <= 0) {
    std::fprintf(stderr, "tesmira-refservice: cannot listen on %s:%d\n", kHost, options->port);
    return 1;
  }
  std::printf("listening on %s:%d\n", kHost, port);
  std::fflush(stdout);

  std::thread([&server, stopSignals] {
    int signo = 0;
    sigwait(&stopSignals, &signo);
    server.stop();
  }).detach();

  return server.listen_after_bind() ? 0 : 1;
}
