#include "dns/pushed_dns.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstring>

namespace dns {
namespace {

bool IsLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Hostile text shown in a note: printable ASCII only, and short.
std::string Printable(std::string_view text) {
  constexpr std::size_t kShown = 64;
  std::string out;
  for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
  }
  if (text.size() > kShown) out += "...";
  return out;
}

std::string Quoted(std::string_view text) {
  std::string out(1, '"');
  out += Printable(text);
  out += '"';
  return out;
}

class Notes {
 public:
  explicit Notes(std::vector<std::string>* out) : out_(out) {}
  ~Notes() {
    if (out_ && dropped_ > 0) out_->push_back("and " + std::to_string(dropped_) + " more refused");
  }
  Notes(const Notes&) = delete;
  Notes& operator=(const Notes&) = delete;

  void Add(std::string note) {
    if (!out_) return;
    if (kept_ < kMaxRefused) {
      out_->push_back(std::move(note));
      ++kept_;
    } else {
      ++dropped_;
    }
  }

 private:
  std::vector<std::string>* out_;
  std::size_t kept_ = 0;
  std::size_t dropped_ = 0;
};

bool Contains(const std::vector<std::string>& list, const std::string& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

std::vector<std::string_view> SplitBlanks(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t blank = text.find(' ', start);
    parts.push_back(text.substr(start, blank == std::string_view::npos ? blank : blank - start));
    if (blank == std::string_view::npos) return parts;
    start = blank + 1;
  }
}

void ReadOption(std::string_view option, PushedDns* out, Notes* notes) {
  constexpr std::string_view kPrefix = "dhcp-option ";
  if (option.substr(0, kPrefix.size()) != kPrefix) return;
  const std::vector<std::string_view> parts = SplitBlanks(option.substr(kPrefix.size()));
  const std::string_view type = parts[0];
  const bool server = type == "DNS" || type == "DNS6";
  const bool domain = type == "DOMAIN";
  const bool search = type == "DOMAIN-SEARCH";
  if (!server && !domain && !search) return;
  if (parts.size() != 2) {
    notes->Add(Quoted(option) + ": expected one value");
    return;
  }
  const std::string_view value = parts[1];
  if (server) {
    std::string address = CanonicalAddress(value, type == "DNS", true);
    if (address.empty()) {
      notes->Add(Quoted(option) + ": not an " + (type == "DNS" ? "IPv4 or IPv6" : "IPv6") +
                 " address");
    } else if (!Contains(out->servers, address)) {
      if (out->servers.size() >= kMaxServers) {
        notes->Add(Quoted(option) + ": more than " + std::to_string(kMaxServers) + " DNS servers");
      } else {
        out->servers.push_back(std::move(address));
      }
    }
    return;
  }
  if (!IsValidDomain(value)) {
    notes->Add(Quoted(option) + ": not a valid domain name");
    return;
  }
  std::string name(value);
  if (name.back() == '.') name.pop_back();
  std::vector<std::string>* list = domain ? &out->domains : &out->searchDomains;
  if (Contains(*list, name)) return;
  if (out->domains.size() + out->searchDomains.size() >= kMaxDomains) {
    notes->Add(Quoted(option) + ": more than " + std::to_string(kMaxDomains) + " domains");
    return;
  }
  list->push_back(std::move(name));
}

bool Equals(const char* value, const char* expected) {
  return value && std::strcmp(value, expected) == 0;
}

bool CarriesDefaultRoute(const std::function<const char*(const char*)>& getenv) {
  const char* redirect = getenv("redirect_gateway");
  if (redirect && *redirect && !Equals(redirect, "0")) return true;
  for (std::size_t n = 1; n <= kMaxForeignOptions; ++n) {
    const std::string index = std::to_string(n);
    const char* network = getenv(("route_network_" + index).c_str());
    if (!network) break;
    if (Equals(network, "0.0.0.0") && Equals(getenv(("route_netmask_" + index).c_str()), "0.0.0.0"))
      return true;
  }
  for (std::size_t n = 1; n <= kMaxForeignOptions; ++n) {
    const char* network = getenv(("route_ipv6_network_" + std::to_string(n)).c_str());
    if (!network) break;
    if (Equals(network, "::/0") || Equals(network, "2000::/3") || Equals(network, "2000::/4"))
      return true;
  }
  return false;
}

}  // namespace

bool IsValidDomain(std::string_view name) {
  if (!name.empty() && name.back() == '.') name.remove_suffix(1);
  if (name.empty() || name.size() > 253) return false;
  std::size_t start = 0;
  while (true) {
    const std::size_t dot = name.find('.', start);
    const std::string_view label =
        name.substr(start, dot == std::string_view::npos ? dot : dot - start);
    if (label.empty() || label.size() > 63) return false;
    if (label.front() == '-' || label.back() == '-') return false;
    bool allDigits = true;
    for (const char c : label) {
      if (!IsLetterOrDigit(c) && c != '-') return false;
      if (c < '0' || c > '9') allDigits = false;
    }
    if (dot == std::string_view::npos) return !allDigits;
    start = dot + 1;
  }
}

bool IsValidDevice(std::string_view name) {
  if (name.empty() || name.size() > 15 || name == "." || name == ".." || name.front() == '-')
    return false;
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return IsLetterOrDigit(c) || c == '_' || c == '.' || c == '-'; });
}

std::string CanonicalAddress(std::string_view text, bool allowV4, bool allowV6) {
  // inet_pton would stop at a zero byte and take the text before it.
  if (text.empty() || text.size() >= INET6_ADDRSTRLEN || text.find('\0') != text.npos) return {};
  const std::string input(text);
  char out[INET6_ADDRSTRLEN];
  if (allowV4) {
    in_addr v4{};
    if (inet_pton(AF_INET, input.c_str(), &v4) == 1 && inet_ntop(AF_INET, &v4, out, sizeof out))
      return out;
  }
  if (allowV6) {
    in6_addr v6{};
    if (inet_pton(AF_INET6, input.c_str(), &v6) == 1 && inet_ntop(AF_INET6, &v6, out, sizeof out))
      return out;
  }
  return {};
}

PushedDns ReadPushedDns(const std::function<const char*(const char*)>& getenv,
                        std::vector<std::string>* refused) {
  PushedDns out;
  Notes notes(refused);
  if (const char* device = getenv("dev")) {
    if (IsValidDevice(device)) {
      out.device = device;
    } else {
      notes.Add("device " + Quoted(device) + ": not a valid device name");
    }
  } else {
    notes.Add("no device name (dev) in the environment");
  }
  std::size_t n = 1;
  for (; n <= kMaxForeignOptions; ++n) {
    const char* option = getenv(("foreign_option_" + std::to_string(n)).c_str());
    if (!option) break;
    ReadOption(option, &out, &notes);
  }
  if (n > kMaxForeignOptions && getenv(("foreign_option_" + std::to_string(n)).c_str()))
    notes.Add("more than " + std::to_string(kMaxForeignOptions) +
              " pushed options: the rest were not read");
  out.defaultRoute = CarriesDefaultRoute(getenv);
  return out;
}

std::string EncodePushedDns(const PushedDns& pushed) {
  std::string text = "device " + pushed.device + "\n";
  for (const std::string& server : pushed.servers) text += "server " + server + "\n";
  for (const std::string& name : pushed.domains) text += "domain " + name + "\n";
  for (const std::string& name : pushed.searchDomains) text += "search " + name + "\n";
  text += pushed.defaultRoute ? "default-route 1\n" : "default-route 0\n";
  return text;
}

bool DecodePushedDns(std::string_view text, PushedDns* out, std::string* error) {
  *out = PushedDns{};
  bool device = false, route = false;
  auto refuse = [&](std::string_view line, const char* why) {
    *error = Quoted(line) + ": " + why;
    *out = PushedDns{};
    return false;
  };
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return refuse(text, "no line end");
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return refuse(line, "no value");
    const std::string_view key = line.substr(0, blank);
    const std::string_view value = line.substr(blank + 1);
    if (key == "device") {
      if (device || !IsValidDevice(value)) return refuse(line, "not one valid device name");
      device = true;
      out->device = value;
    } else if (key == "server") {
      std::string address = CanonicalAddress(value, true, true);
      if (address.empty() || Contains(out->servers, address) || out->servers.size() >= kMaxServers)
        return refuse(line, "not a new address within the bound");
      out->servers.push_back(std::move(address));
    } else if (key == "domain" || key == "search") {
      std::vector<std::string>* list = key == "domain" ? &out->domains : &out->searchDomains;
      const std::string name(value);
      if (!IsValidDomain(value) || value.back() == '.' || Contains(*list, name) ||
          out->domains.size() + out->searchDomains.size() >= kMaxDomains)
        return refuse(line, "not a new domain within the bound");
      list->push_back(name);
    } else if (key == "default-route") {
      if (route || (value != "0" && value != "1")) return refuse(line, "not one 0 or 1");
      route = true;
      out->defaultRoute = value == "1";
    } else {
      return refuse(line, "unknown line");
    }
  }
  if (!device) return refuse("", "no device");
  return true;
}

}  // namespace dns
