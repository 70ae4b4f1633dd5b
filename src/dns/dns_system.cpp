#include "dns/dns_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <net/if.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sstream>
#include <utility>

#include "dns/files.h"

namespace dns {
namespace {

using files::Fd;

constexpr std::size_t kResolvConfLimit = 1024 * 1024;
constexpr int kClaimWaitMs = 1000;
const std::string kFileLock = "resolv.conf.lock";
const std::string kFileBackup = "resolv.conf.backup";
const std::string kRecordSuffix = ".tesmira";
const std::string kMarkerSuffix = ".record";

// One line of a tool's output for the user: the first that is not empty, printable, short.
std::string FirstLine(const std::string& output) {
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) {
    std::string shown;
    for (const char c : line) {
      if (shown.size() >= 160) break;
      const unsigned char u = static_cast<unsigned char>(c);
      shown += (u >= 0x20 && u < 0x7f) ? c : ' ';
    }
    while (!shown.empty() && shown.back() == ' ') shown.pop_back();
    const std::size_t start = shown.find_first_not_of(' ');
    if (start != std::string::npos) return shown.substr(start);
  }
  return {};
}

// Runs the tool; false with "<what> failed: <its first line>" in `error`.
bool RunTool(const DnsSystem& system, const std::vector<std::string>& argv,
             const std::string& input, const std::string& what, std::string* error) {
  std::string output;
  const int status = system.runner->Run(argv, input, &output);
  if (status == 0) return true;
  std::string line = FirstLine(output);
  if (line.empty()) line = "exit status " + std::to_string(status);
  *error = what + " failed: " + line;
  return false;
}

std::vector<std::string> AllDomains(const PushedDns& pushed) {
  std::vector<std::string> all;
  for (const auto* list : {&pushed.domains, &pushed.searchDomains})
    for (const std::string& name : *list)
      if (std::find(all.begin(), all.end(), name) == all.end()) all.push_back(name);
  return all;
}

bool SafeProgram(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == 0 &&
         (info.st_mode & 0111) != 0 && (info.st_mode & 0022) == 0;
}

std::string FirstProgram(std::initializer_list<const char*> paths) {
  for (const char* path : paths)
    if (SafeProgram(path)) return path;
  return {};
}

// ---------------------------------------------------------------- detection

struct ResolvConfView {
  bool isLink = false;
  std::string target;   // the link's text
  std::string content;  // what reading the path gives (through a link), bounded
};

ResolvConfView View(const std::string& path) {
  ResolvConfView view;
  struct stat info {};
  if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    if (length > 0 && static_cast<std::size_t>(length) < sizeof target) {
      view.isLink = true;
      view.target.assign(target, static_cast<std::size_t>(length));
    }
  }
  Fd file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat opened {};
  if (file && fstat(file.get(), &opened) == 0 && S_ISREG(opened.st_mode)) {
    char buffer[8192];
    ssize_t got;
    while (view.content.size() < 64 * 1024 && (got = read(file.get(), buffer, sizeof buffer)) > 0)
      view.content.append(buffer, static_cast<std::size_t>(got));
  }
  return view;
}

// "../run/systemd/resolve/stub-resolv.conf" and "/run/..." alike.
bool IsResolvedLink(std::string target) {
  while (target.rfind("../", 0) == 0) target.erase(0, 3);
  while (!target.empty() && target[0] == '/') target.erase(0, 1);
  return target == "run/systemd/resolve/stub-resolv.conf" ||
         target == "run/systemd/resolve/resolv.conf";
}

std::vector<std::vector<std::string>> Lines(const std::string& content) {
  std::vector<std::vector<std::string>> lines;
  std::istringstream in(content);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::vector<std::string> split;
    std::string word;
    while (words >> word) split.push_back(word);
    lines.push_back(std::move(split));
  }
  return lines;
}

bool NamesResolvedStub(const std::string& content) {
  for (const auto& words : Lines(content))
    if (words.size() >= 2 && words[0] == "nameserver" && words[1] == "127.0.0.53") return true;
  return false;
}

bool NsswitchUsesResolve(const std::string& path) {
  Fd file(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!file) return false;
  std::string content;
  char buffer[8192];
  ssize_t got;
  while (content.size() < 64 * 1024 && (got = read(file.get(), buffer, sizeof buffer)) > 0)
    content.append(buffer, static_cast<std::size_t>(got));
  for (const auto& words : Lines(content))
    if (!words.empty() && words[0] == "hosts:")
      return std::find(words.begin(), words.end(), "resolve") != words.end();
  return false;
}

bool IsResolvconfOutput(const ResolvConfView& view) {
  if (view.isLink) return view.target.find("resolvconf/") != std::string::npos;
  std::istringstream in(view.content);
  std::string line;
  while (std::getline(in, line))
    if (!line.empty() && line[0] == '#' && line.find("resolvconf") != std::string::npos)
      return true;
  return false;
}

// ---------------------------------------------------------------- systemd-resolved

bool LinkGone(const std::string& device) { return if_nametoindex(device.c_str()) == 0; }

class ResolvedApplied : public AppliedDns {
 public:
  ResolvedApplied(DnsSystem system, std::string device)
      : system_(std::move(system)), device_(std::move(device)) {}
  ~ResolvedApplied() override { Revert(nullptr); }
  Backend backend() const override { return Backend::kResolved; }
  bool Revert(std::string* error) override {
    if (done_) return true;
    done_ = true;
    std::string reason;
    // A link that is gone took its settings with it.
    if (RunTool(system_, {system_.resolvectl, "revert", device_}, "", "resolvectl revert",
                &reason) ||
        LinkGone(device_))
      return true;
    if (error) *error = reason;
    return false;
  }

 private:
  DnsSystem system_;
  std::string device_;
  bool done_ = false;
};

std::unique_ptr<AppliedDns> ApplyResolved(const PushedDns& pushed, const DnsSystem& system,
                                          std::string* error) {
  const std::string& dev = pushed.device;
  std::vector<std::vector<std::string>> steps;
  steps.push_back({system.resolvectl, "dns", dev});
  for (const std::string& server : pushed.servers) steps.back().push_back(server);
  const std::vector<std::string> domains = AllDomains(pushed);
  if (pushed.defaultRoute || !domains.empty()) {
    steps.push_back({system.resolvectl, "domain", dev});
    if (pushed.defaultRoute) steps.back().push_back("~.");
    for (const std::string& name : domains) steps.back().push_back(name);
  }
  steps.push_back({system.resolvectl, "default-route", dev, "true"});
  for (const auto& argv : steps) {
    if (!RunTool(system, argv, "", "resolvectl " + argv[1], error)) {
      std::string ignored;
      RunTool(system, {system.resolvectl, "revert", dev}, "", "", &ignored);
      return nullptr;
    }
  }
  return std::make_unique<ResolvedApplied>(system, dev);
}

// ---------------------------------------------------------------- resolvconf

std::string RecordText(const PushedDns& pushed) {
  std::string text;
  for (const std::string& server : pushed.servers) text += "nameserver " + server + "\n";
  const std::vector<std::string> domains = AllDomains(pushed);
  if (!domains.empty()) {
    text += "search";
    for (const std::string& name : domains) text += " " + name;
    text += "\n";
  }
  return text;
}

class ResolvconfApplied : public AppliedDns {
 public:
  ResolvconfApplied(DnsSystem system, Fd dir, Fd lock, std::string record)
      : system_(std::move(system)),
        dir_(std::move(dir)),
        lock_(std::move(lock)),
        record_(std::move(record)) {}
  ~ResolvconfApplied() override { Revert(nullptr); }
  Backend backend() const override { return Backend::kResolvconf; }
  bool Revert(std::string* error) override {
    if (done_) return true;
    done_ = true;
    std::string reason;
    // On failure the marker stays and the claim goes, so the next start tries again.
    const Fd claim = std::move(lock_);
    if (!RunTool(system_, {system_.resolvconf, "-d", record_}, "", "resolvconf -d", &reason) ||
        !files::RemoveAt(dir_.get(), record_ + kMarkerSuffix, &reason)) {
      if (error) *error = reason;
      return false;
    }
    return true;
  }

 private:
  DnsSystem system_;
  Fd dir_;
  Fd lock_;
  std::string record_;
  bool done_ = false;
};

std::unique_ptr<AppliedDns> ApplyResolvconf(const PushedDns& pushed, const DnsSystem& system,
                                            std::string* error) {
  Fd dir = files::OpenPrivateDir(system.privateDir, error);
  if (!dir) return nullptr;
  const std::string record = pushed.device + kRecordSuffix;
  bool busy = false;
  Fd lock = files::Claim(dir.get(), record + ".lock", kClaimWaitMs, &busy, error);
  if (!lock) return nullptr;
  // The marker goes first: a helper killed during `-a` still leaves a trace to clean.
  if (!files::WriteAtomically(dir.get(), record + kMarkerSuffix, record + "\n", 0600, error))
    return nullptr;
  if (!RunTool(system, {system.resolvconf, "-a", record}, RecordText(pushed), "resolvconf -a",
               error)) {
    std::string ignored;
    RunTool(system, {system.resolvconf, "-d", record}, "", "", &ignored);
    files::RemoveAt(dir.get(), record + kMarkerSuffix, &ignored);
    return nullptr;
  }
  return std::make_unique<ResolvconfApplied>(system, std::move(dir), std::move(lock), record);
}

bool RemoveLeftoverRecords(const DnsSystem& system, int dir, std::string* note,
                           std::string* error) {
  std::vector<std::string> markers;
  if (DIR* list = fdopendir(dup(dir))) {
    while (const dirent* entry = readdir(list)) {
      const std::string name = entry->d_name;
      const std::string suffix = kRecordSuffix + kMarkerSuffix;
      if (name.size() > suffix.size() && name.ends_with(suffix) &&
          IsValidDevice(name.substr(0, name.size() - suffix.size())))
        markers.push_back(name);
    }
    closedir(list);
  }
  bool ok = true;
  for (const std::string& marker : markers) {
    const std::string record = marker.substr(0, marker.size() - kMarkerSuffix.size());
    bool busy = false;
    std::string reason;
    Fd lock = files::Claim(dir, record + ".lock", 0, &busy, &reason);
    if (busy) continue;  // a live helper's record
    if (lock &&
        (system.resolvconf.empty() ||
         RunTool(system, {system.resolvconf, "-d", record}, "", "resolvconf -d", &reason)) &&
        files::RemoveAt(dir, marker, &reason)) {
      *note += (note->empty() ? "" : "; ") + std::string("removed the resolvconf record ") +
               record + " left by an earlier connection";
      continue;
    }
    *error = reason;
    ok = false;
  }
  return ok;
}

// ---------------------------------------------------------------- /etc/resolv.conf

struct Snapshot {
  enum Kind { kAbsent, kFile, kLink } kind = kAbsent;
  std::string bytes;  // the file's content or the link's text
  mode_t mode = 0644;
  uid_t uid = 0;
  gid_t gid = 0;
};

bool TakeSnapshot(int dir, const std::string& base, Snapshot* out, std::string* error) {
  *out = Snapshot{};
  struct stat info {};
  if (fstatat(dir, base.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return true;
    *error = files::ErrnoText(base);
    return false;
  }
  out->mode = info.st_mode & 07777;
  out->uid = info.st_uid;
  out->gid = info.st_gid;
  if (S_ISLNK(info.st_mode)) {
    char target[PATH_MAX];
    const ssize_t length = readlinkat(dir, base.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) {
      *error = files::ErrnoText("cannot read the link " + base);
      return false;
    }
    out->kind = Snapshot::kLink;
    out->bytes.assign(target, static_cast<std::size_t>(length));
    return true;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = base + " is neither a file nor a link";
    return false;
  }
  bool missing = false;
  if (!files::ReadAt(dir, base, kResolvConfLimit, &out->bytes, &missing, error)) return false;
  out->kind = Snapshot::kFile;
  return true;
}

struct Backup {
  Snapshot original;
  std::string written;
};

const char* KindName(Snapshot::Kind kind) {
  return kind == Snapshot::kFile ? "file" : kind == Snapshot::kLink ? "link" : "absent";
}

std::string EncodeBackup(const Backup& backup) {
  std::ostringstream out;
  out << "tesmira resolv.conf backup 1\n"
      << "kind " << KindName(backup.original.kind) << "\n"
      << "mode " << std::oct << backup.original.mode << std::dec << "\n"
      << "owner " << backup.original.uid << " " << backup.original.gid << "\n"
      << "original " << backup.original.bytes.size() << "\n"
      << backup.original.bytes << "\n"
      << "written " << backup.written.size() << "\n"
      << backup.written << "\n";
  return out.str();
}

bool DecodeBackup(const std::string& text, Backup* out) {
  std::size_t at = 0;
  auto line = [&](std::string* value) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string::npos) return false;
    *value = text.substr(at, end - at);
    at = end + 1;
    return true;
  };
  auto blob = [&](const std::string& key, std::string* value) {
    std::string header;
    if (!line(&header) || header.rfind(key + " ", 0) != 0) return false;
    const std::string digits = header.substr(key.size() + 1);
    if (digits.empty() || digits.size() > 8 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return false;
    const std::size_t size = std::stoul(digits);
    if (size > kResolvConfLimit || at + size >= text.size() || text[at + size] != '\n')
      return false;
    *value = text.substr(at, size);
    at += size + 1;
    return true;
  };
  std::string magic, kind, mode, owner;
  if (!line(&magic) || magic != "tesmira resolv.conf backup 1" || !line(&kind) || !line(&mode) ||
      !line(&owner))
    return false;
  if (kind == "kind file") {
    out->original.kind = Snapshot::kFile;
  } else if (kind == "kind link") {
    out->original.kind = Snapshot::kLink;
  } else if (kind == "kind absent") {
    out->original.kind = Snapshot::kAbsent;
  } else {
    return false;
  }
  unsigned modeValue = 0;
  unsigned long uid = 0, gid = 0;
  char extra = 0;
  if (std::sscanf(mode.c_str(), "mode %o%c", &modeValue, &extra) != 1 || modeValue > 07777 ||
      std::sscanf(owner.c_str(), "owner %lu %lu%c", &uid, &gid, &extra) != 2)
    return false;
  out->original.mode = static_cast<mode_t>(modeValue);
  out->original.uid = static_cast<uid_t>(uid);
  out->original.gid = static_cast<gid_t>(gid);
  return blob("original", &out->original.bytes) && blob("written", &out->written) &&
         at == text.size();
}

std::string ComposeResolvConf(const PushedDns& pushed, const Snapshot& original) {
  std::string text = "# Written by Tesmira for the VPN on " + pushed.device +
                     "; the previous file comes back when it disconnects.\n";
  text += RecordText(pushed);
  // Options such as ndots or edns0 describe this machine, not the resolver: they stay.
  if (original.kind == Snapshot::kFile) {
    std::istringstream in(original.bytes);
    std::string line;
    while (std::getline(in, line))
      if (line.rfind("options", 0) == 0 && line.size() > 7 && (line[7] == ' ' || line[7] == '\t'))
        text += line + "\n";
  }
  return text;
}

struct Place {
  Fd dir;
  std::string base;
  std::string path;
  std::string mountinfo;
};

bool OpenPlace(const DnsSystem& system, Place* place, std::string* error) {
  std::string dir;
  files::SplitPath(system.resolvConf, &dir, &place->base);
  place->path = system.resolvConf;
  place->mountinfo = system.mountinfo;
  place->dir = Fd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!place->dir) *error = files::ErrnoText("cannot open " + dir);
  return static_cast<bool>(place->dir);
}

// A bind-mounted file cannot be renamed over: it is rewritten where it is.
bool IsMountPoint(const Place& place) {
  struct stat file {
  }, folder{};
  if (fstatat(place.dir.get(), place.base.c_str(), &file, AT_SYMLINK_NOFOLLOW) == 0 &&
      fstat(place.dir.get(), &folder) == 0 && !S_ISLNK(file.st_mode) &&
      file.st_dev != folder.st_dev)
    return true;
  return files::ListedAsMountPoint(place.mountinfo, place.path);
}

bool WriteInPlace(const Place& place, const std::string& bytes, std::string* error) {
  Fd file(openat(place.dir.get(), place.base.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (!file || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    *error = files::ErrnoText("cannot open " + place.path + " to rewrite it");
    return false;
  }
  if (!files::WriteAll(file.get(), bytes) ||
      ftruncate(file.get(), static_cast<off_t>(bytes.size())) != 0 || fsync(file.get()) != 0) {
    *error = files::ErrnoText("cannot rewrite " + place.path);
    return false;
  }
  return true;
}

std::string TemporaryName(const Place& place) { return "." + place.base + ".tesmira-new"; }

bool Replace(const Place& place, const std::string& temporary, std::string* error) {
  if (renameat(place.dir.get(), temporary.c_str(), place.dir.get(), place.base.c_str()) != 0) {
    *error = files::ErrnoText("cannot replace " + place.path);
    unlinkat(place.dir.get(), temporary.c_str(), 0);
    return false;
  }
  fsync(place.dir.get());
  return true;
}

bool WriteFile(const Place& place, const std::string& bytes, const Snapshot& like,
               std::string* error) {
  if (IsMountPoint(place)) return WriteInPlace(place, bytes, error);
  const std::string temporary = TemporaryName(place);
  unlinkat(place.dir.get(), temporary.c_str(), 0);
  Fd file(openat(place.dir.get(), temporary.c_str(),
                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (!file) {
    *error = files::ErrnoText("cannot create " + temporary);
    return false;
  }
  const bool owned = geteuid() != 0 || fchown(file.get(), like.uid, like.gid) == 0;
  if (!owned || fchmod(file.get(), like.mode) != 0 || !files::WriteAll(file.get(), bytes) ||
      fsync(file.get()) != 0) {
    *error = files::ErrnoText("cannot write " + temporary);
    unlinkat(place.dir.get(), temporary.c_str(), 0);
    return false;
  }
  file = Fd();
  return Replace(place, temporary, error);
}

bool PutOriginal(const Place& place, const Snapshot& original, std::string* error) {
  switch (original.kind) {
    case Snapshot::kFile:
      return WriteFile(place, original.bytes, original, error);
    case Snapshot::kLink: {
      const std::string temporary = TemporaryName(place);
      unlinkat(place.dir.get(), temporary.c_str(), 0);
      if (symlinkat(original.bytes.c_str(), place.dir.get(), temporary.c_str()) != 0) {
        *error = files::ErrnoText("cannot make the link " + temporary);
        return false;
      }
      if (geteuid() == 0)
        fchownat(place.dir.get(), temporary.c_str(), original.uid, original.gid,
                 AT_SYMLINK_NOFOLLOW);
      return Replace(place, temporary, error);
    }
    case Snapshot::kAbsent:
      if (unlinkat(place.dir.get(), place.base.c_str(), 0) != 0 && errno != ENOENT) {
        *error = files::ErrnoText("cannot remove " + place.path);
        return false;
      }
      fsync(place.dir.get());
      return true;
  }
  return false;
}

// Puts the backup's original back while the file still holds what was written, then drops
// the backup. A file changed since is newer than the backup and stays.
bool PutBack(const DnsSystem& system, int privateDir, const Backup& backup, std::string* note,
             std::string* error) {
  Place place;
  if (!OpenPlace(system, &place, error)) return false;
  Snapshot current;
  if (!TakeSnapshot(place.dir.get(), place.base, &current, error)) return false;
  if (current.kind != Snapshot::kFile || current.bytes != backup.written) {
    if (note)
      *note = "left " + system.resolvConf +
              " as it is: it changed after an earlier connection wrote it";
  } else {
    if (!PutOriginal(place, backup.original, error)) return false;
    if (note)
      *note = "put back " + system.resolvConf +
              " as it was before an earlier connection that ended without restoring it";
  }
  return files::RemoveAt(privateDir, kFileBackup, error);
}

// Under the lock: a backup there is a leftover. An unreadable one is moved aside (kept for the
// administrator) so that it does not block every later connection.
bool RestoreBackupUnderLock(const DnsSystem& system, int privateDir, std::string* note,
                            std::string* error) {
  std::string text;
  bool missing = false;
  if (!files::ReadAt(privateDir, kFileBackup, 3 * kResolvConfLimit, &text, &missing, error)) {
    // No backup is the usual case, not a failure.
    if (missing) error->clear();
    return missing;
  }
  Backup backup;
  if (!DecodeBackup(text, &backup)) {
    const std::string aside = kFileBackup + ".unreadable";
    renameat(privateDir, kFileBackup.c_str(), privateDir, aside.c_str());
    *error =
        "the resolv.conf backup was unreadable and was moved to " + system.privateDir + "/" + aside;
    return false;
  }
  return PutBack(system, privateDir, backup, note, error);
}

class FileApplied : public AppliedDns {
 public:
  FileApplied(DnsSystem system, Fd dir, Fd lock, Backup backup)
      : system_(std::move(system)),
        dir_(std::move(dir)),
        lock_(std::move(lock)),
        backup_(std::move(backup)) {}
  ~FileApplied() override { Revert(nullptr); }
  Backend backend() const override { return Backend::kFile; }
  bool Revert(std::string* error) override {
    if (done_) return true;
    done_ = true;
    std::string reason;
    // On failure the backup stays and the claim goes, so the next start tries again.
    const Fd claim = std::move(lock_);
    if (PutBack(system_, dir_.get(), backup_, nullptr, &reason)) return true;
    if (error) *error = reason;
    return false;
  }

 private:
  DnsSystem system_;
  Fd dir_;
  Fd lock_;
  Backup backup_;
  bool done_ = false;
};

std::unique_ptr<AppliedDns> ApplyFile(const PushedDns& pushed, const DnsSystem& system,
                                      std::string* error) {
  Fd dir = files::OpenPrivateDir(system.privateDir, error);
  if (!dir) return nullptr;
  bool busy = false;
  Fd lock = files::Claim(dir.get(), kFileLock, kClaimWaitMs, &busy, error);
  if (!lock) {
    if (busy)
      *error =
          "another Tesmira connection has set " + system.resolvConf + " and keeps it until it ends";
    return nullptr;
  }
  if (!RestoreBackupUnderLock(system, dir.get(), nullptr, error)) return nullptr;
  Place place;
  Backup backup;
  if (!OpenPlace(system, &place, error) ||
      !TakeSnapshot(place.dir.get(), place.base, &backup.original, error))
    return nullptr;
  backup.written = ComposeResolvConf(pushed, backup.original);
  // The backup is on disk before the file changes, so a power loss at any point can be undone.
  if (!files::WriteAtomically(dir.get(), kFileBackup, EncodeBackup(backup), 0600, error))
    return nullptr;
  // A link or a missing file gives way to a plain root-owned 0644 file.
  const Snapshot like = backup.original.kind == Snapshot::kFile ? backup.original : Snapshot{};
  if (!WriteFile(place, backup.written, like, error)) {
    std::string ignored;
    files::RemoveAt(dir.get(), kFileBackup, &ignored);
    return nullptr;
  }
  return std::make_unique<FileApplied>(system, std::move(dir), std::move(lock), std::move(backup));
}

}  // namespace

const char* BackendName(Backend backend) {
  switch (backend) {
    case Backend::kResolved:
      return "systemd-resolved";
    case Backend::kResolvconf:
      return "resolvconf";
    case Backend::kFile:
      return "/etc/resolv.conf";
  }
  return "?";
}

DnsSystem DnsSystem::Installed(CommandRunner* runner) {
  DnsSystem system;
  system.resolvectl = FirstProgram({"/usr/bin/resolvectl", "/bin/resolvectl"});
  system.resolvconf = FirstProgram({"/usr/sbin/resolvconf", "/sbin/resolvconf"});
  system.runner = runner;
  return system;
}

Backend DetectBackend(const DnsSystem& system) {
  const ResolvConfView view = View(system.resolvConf);
  if (!system.resolvectl.empty()) {
    if ((view.isLink && IsResolvedLink(view.target)) || NamesResolvedStub(view.content))
      return Backend::kResolved;
    std::string output;
    if (system.runner && NsswitchUsesResolve(system.nsswitch) &&
        system.runner->Run({system.resolvectl, "status"}, "", &output) == 0)
      return Backend::kResolved;
  }
  if (!system.resolvconf.empty() && IsResolvconfOutput(view)) return Backend::kResolvconf;
  return Backend::kFile;
}

std::unique_ptr<AppliedDns> ApplyDns(const PushedDns& pushed, const DnsSystem& system,
                                     std::string* error) {
  error->clear();
  if (pushed.servers.empty()) return nullptr;
  if (!IsValidDevice(pushed.device)) {
    *error = "the tunnel's device name is missing or malformed";
    return nullptr;
  }
  if (!system.runner) {
    *error = "no command runner";
    return nullptr;
  }
  switch (DetectBackend(system)) {
    case Backend::kResolved:
      return ApplyResolved(pushed, system, error);
    case Backend::kResolvconf:
      return ApplyResolvconf(pushed, system, error);
    case Backend::kFile:
      return ApplyFile(pushed, system, error);
  }
  return nullptr;
}

bool RestoreLeftoverDns(const DnsSystem& system, std::string* note) {
  std::string notes, error;
  Fd dir = files::OpenPrivateDir(system.privateDir, &error);
  if (!dir) {
    if (note) *note = error;
    return false;
  }
  bool ok = true;
  bool busy = false;
  std::string reason;
  if (Fd lock = files::Claim(dir.get(), kFileLock, 0, &busy, &reason)) {
    if (!RestoreBackupUnderLock(system, dir.get(), &notes, &reason)) {
      ok = false;
      error = reason;
    }
  } else if (!busy) {
    ok = false;
    error = reason;
  }
  if (system.runner && !RemoveLeftoverRecords(system, dir.get(), &notes, &reason)) {
    ok = false;
    error = reason;
  }
  if (note) *note = ok ? notes : error;
  return ok;
}

}  // namespace dns
