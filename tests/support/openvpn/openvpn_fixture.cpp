#include "support/openvpn/openvpn_fixture.h"

#include <cstdlib>

#include <filesystem>

#include <map>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <sstream>

namespace testsupport {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kReady = "Initialization Sequence Completed";

bool Executable(const fs::path& file) { return ::access(file.c_str(), X_OK) == 0; }

// A UDP port that was free a moment ago; openvpn may still lose it to someone else, which
// Start handles by trying again.
int FreeUdpPort() {
  const int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (sock < 0) return 0;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::getsockname(sock, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
    port = ntohs(addr.sin_port);
  ::close(sock);
  return port;
}

// A /28 inside 100.64.0.0/10 picked by the port: unique among running servers, and outside
// the private ranges that CI hosts tend to route.
std::string SubnetFor(int port) {
  const uint32_t base = (100u << 24 | 64u << 16) + static_cast<uint32_t>(port) * 16u;
  return std::to_string(base >> 24) + "." + std::to_string(base >> 16 & 255) + "." +
         std::to_string(base >> 8 & 255) + "." + std::to_string(base & 255);
}

// Double quotes keep paths with blanks whole in an openvpn config.
std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// The machine's own resolvers, read before the tunnel's DNS replaces them: the DNS server passes
// other names on to them, never to itself.
std::vector<std::string> SystemNameservers() {
  std::vector<std::string> servers;
  std::istringstream in(ReadFileBytes("/etc/resolv.conf"));
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string key, value;
    if (words >> key >> value && key == "nameserver") servers.push_back(value);
  }
  return servers;
}

bool StartDnsServer(ChildProcess& process, const std::string& listen, const std::string& name,
                    const std::string& address, std::string* error) {
  std::vector<std::string> argv{"/usr/sbin/dnsmasq", "--keep-in-foreground",
                                "--no-hosts",        "--no-resolv",
                                "--user=root",       "--pid-file=",
                                "--bind-dynamic",    "--listen-address=" + listen,
                                "--log-facility=-",  "--address=/" + name + "/" + address};
  for (const std::string& server : SystemNameservers()) argv.push_back("--server=" + server);
  return process.Start({argv, {}, true}, error);
}

}  // namespace

fs::path OpenVpnServer::CaFile() { return TESMIRA_CA_PEM_FILE; }
fs::path OpenVpnServer::OpenVpnProgram() { return TESMIRA_OPENVPN_PROGRAM; }

std::string OpenVpnServer::Unavailable() {
  if (::geteuid() != 0)
    return "the OpenVPN server needs root to create its tun device (running as uid " +
           std::to_string(::geteuid()) + ")";
  if (!fs::exists("/dev/net/tun"))
    return "/dev/net/tun is missing (as root: mkdir -p /dev/net && mknod /dev/net/tun c 10 200)";
  const int tun = ::open("/dev/net/tun", O_RDWR | O_CLOEXEC);
  if (tun < 0) return std::string("/dev/net/tun cannot be opened: ") + std::strerror(errno);
  ::close(tun);
  if (!Executable(OpenVpnProgram()))
    return "openvpn is not installed (looked for " + OpenVpnProgram().string() + ")";
  if (!Executable(TESMIRA_OPENSSL_PROGRAM))
    return std::string("openssl is not installed (looked for ") + TESMIRA_OPENSSL_PROGRAM + ")";
  if (std::string(TESMIRA_CA_KEY_FILE).empty())
    return "the build uses an outside CA (TESMIRA_CA_PEM) without its private key, so no "
           "server certificate can be signed";
  if (!fs::exists(TESMIRA_CA_KEY_FILE) || !fs::exists(CaFile()))
    return "the demo CA has not been made (" + CaFile().string() + ")";
  return {};
}

OpenVpnServer::~OpenVpnServer() { Stop(); }

bool OpenVpnServer::RunTool(const std::vector<std::string>& argv) {
  ChildProcess tool;
  ChildOptions options;
  options.argv = argv;
  options.workDir = dir_->Path();
  if (!tool.Start(options, &error_)) return false;
  const std::optional<int> status = tool.WaitExit(std::chrono::minutes(2));
  if (status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0) return true;
  error_ = argv[0] + " " + argv[1] + " failed:\n" + tool.Output();
  return false;
}

bool OpenVpnServer::MakeCertificate() {
  // nsCertType is what the client profile's "ns-cert-type server" checks.
  dir_->Write("server.ext",
              "basicConstraints = CA:FALSE\n"
              "nsCertType = server\n"
              "keyUsage = critical, digitalSignature, keyEncipherment, keyAgreement\n"
              "extendedKeyUsage = serverAuth\n");
  // An EC key is made in an instant; a random serial keeps the CA's folder free of a serial
  // file that parallel tests would fight over.
  std::random_device random;
  const uint64_t serial = (uint64_t{random()} << 31 ^ random()) | 1;
  return RunTool({TESMIRA_OPENSSL_PROGRAM, "req", "-new", "-newkey", "ec", "-pkeyopt",
                  "ec_paramgen_curve:prime256v1", "-nodes", "-subj", "/CN=tesmira-test-server",
                  "-keyout", "server.key", "-out", "server.csr"}) &&
         RunTool({TESMIRA_OPENSSL_PROGRAM, "x509", "-req", "-in", "server.csr", "-CA",
                  CaFile().string(), "-CAkey", TESMIRA_CA_KEY_FILE, "-set_serial",
                  std::to_string(serial), "-days", "2", "-sha256", "-extfile", "server.ext", "-out",
                  "server.crt"});
}

int OpenVpnServer::Start(const std::string& user, const std::string& password) {
  Stop();
  error_ = Unavailable();
  if (!error_.empty()) return 0;
  dir_ = std::make_unique<TempDir>("tesmira-openvpn");
  const fs::path& dir = dir_->Path();
  if (!MakeCertificate()) return 0;

  // openvpn hands the script a file with the user name and the password, each on a line.
  dir_->Write("expected", user + "\n" + password + "\n", fs::perms(0600));
  dir_->Write("verify.sh",
              "#!/bin/sh\n"
              "exec cmp -s -- \"$1\" " +
                  ShellQuoted((dir / "expected").string()) + "\n",
              fs::perms(0700));

  for (int attempt = 0; attempt < 3; ++attempt) {
    const int port = FreeUdpPort();
    if (port == 0) {
      error_ = std::string("no free UDP port: ") + std::strerror(errno);
      return 0;
    }
    subnet_ = SubnetFor(port) + "/28";
    // "comp-lzo no" keeps the framing the client's plain "comp-lzo" expects, without
    // compressing; "dh none" means ECDH, so no DH parameters need making.
    const std::string lines[] = {
        "local 127.0.0.1",
        "port " + std::to_string(port),
        "proto udp",
        "dev tun",
        "topology subnet",
        "server " + SubnetFor(port) + " 255.255.255.240",
        "ca " + Quoted(CaFile()),
        "cert " + Quoted(dir / "server.crt"),
        "key " + Quoted(dir / "server.key"),
        "dh none",
        "verify-client-cert none",
        "username-as-common-name",
        "script-security 2",
        "auth-user-pass-verify " + Quoted(dir / "verify.sh") + " via-file",
        "tmp-dir " + Quoted(dir),
        "comp-lzo no",
        "push \"comp-lzo no\"",
        "keepalive 10 60",
        "explicit-exit-notify 1",
        "verb 3",
    };
    std::string config;
    for (const std::string& line : lines) config += line + "\n";
    if (!dnsDomain_.empty()) {
      config += "push \"dhcp-option DNS " + TunnelAddress() + "\"\n";
      config += "push \"dhcp-option DOMAIN " + dnsDomain_ + "\"\n";
    }
    dir_->Write("server.conf", config);

    process_ = std::make_unique<ChildProcess>();
    ChildOptions options;
    options.argv = {OpenVpnProgram().string(), "--config", (dir / "server.conf").string()};
    options.workDir = dir;
    if (!process_->Start(options, &error_)) return 0;
    if (process_->WaitForOutput(kReady, std::chrono::minutes(1))) {
      port_ = port;
      if (dnsDomain_.empty()) return port_;
      // Its address exists now that the server's tunnel device is up.
      dnsServer_ = std::make_unique<ChildProcess>();
      const std::string answer = dnsAddress_.empty() ? TunnelAddress() : dnsAddress_;
      if (StartDnsServer(*dnsServer_, TunnelAddress(), dnsName_, answer, &error_) &&
          dnsServer_->WaitForOutput("started", std::chrono::seconds(30))) {
        return port_;
      }
      error_ = "the DNS server did not start: " + error_ + dnsServer_->Output();
      Stop();
      return 0;
    }
    process_->Stop(SIGKILL);
    const std::string log = process_->Output();
    error_ = "the openvpn server did not get ready:\n" + log;
    if (log.find("Address already in use") == std::string::npos) return 0;
  }
  return 0;
}

void OpenVpnServer::Stop() {
  if (dnsServer_) dnsServer_->Stop(SIGKILL);
  if (process_) process_->Stop(SIGKILL);
  port_ = 0;
}

void OpenVpnServer::StopWithNotify() {
  // With explicit-exit-notify in its config, SIGTERM makes the server tell its clients first.
  if (dnsServer_) dnsServer_->Stop(SIGKILL);
  if (process_) process_->Stop(SIGTERM, std::chrono::seconds(15));
  port_ = 0;
}

namespace {

// The parent and state fields of /proc/PID/stat; the name before them may hold anything.
bool ParentAndState(const std::string& pid, int* parent, char* state) {
  const std::string stat = ReadFileBytes("/proc/" + pid + "/stat");
  const size_t close = stat.rfind(')');
  if (close == std::string::npos || close + 4 >= stat.size()) return false;
  *state = stat[close + 2];
  *parent = std::atoi(stat.c_str() + close + 4);
  return true;
}

}  // namespace

void OpenVpnServer::ServeDns(std::string domain, std::string name, std::string address) {
  dnsDomain_ = std::move(domain);
  dnsName_ = std::move(name);
  dnsAddress_ = std::move(address);
}

std::string OpenVpnServer::TunnelAddress() const {
  const std::string base = subnet_.substr(0, subnet_.find('/'));
  const size_t dot = base.rfind('.');
  return base.substr(0, dot + 1) + std::to_string(std::stoi(base.substr(dot + 1)) + 1);
}

std::vector<EngineProcess> EnginesBelow(int ancestor) {
  std::map<int, int> parents;
  std::vector<int> engines;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    int parent = 0;
    char state = 0;
    if (!ParentAndState(name, &parent, &state)) continue;
    parents[std::stoi(name)] = parent;
    const std::string comm = ReadFileBytes(entry.path() / "comm");
    if (comm == "openvpn\n" && state != 'Z') engines.push_back(std::stoi(name));
  }
  std::vector<EngineProcess> found;
  for (int pid : engines) {
    // The helper's engines, not a server of the test's own.
    const std::string helper = ReadFileBytes("/proc/" + std::to_string(parents[pid]) + "/comm");
    if (helper.rfind("tesmira-engine", 0) != 0) continue;
    int up = parents[pid];
    for (int hops = 0; up > 1 && up != ancestor && hops < 64; ++hops) up = parents[up];
    if (up != ancestor) continue;
    EngineProcess engine{pid, -1, {}};
    const std::string status = ReadFileBytes("/proc/" + std::to_string(pid) + "/status");
    if (const size_t uid = status.find("Uid:\t"); uid != std::string::npos) {
      engine.uid = std::atoi(status.c_str() + uid + 5);
    }
    std::error_code unreadable;
    engine.folder =
        std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/cwd", unreadable);
    found.push_back(engine);
  }
  return found;
}

}  // namespace testsupport
