#pragma once
// Applies a VPN's pushed DNS settings with whatever the system resolves names through, and
// puts everything back afterwards, also after a crash or a power loss (RestoreLeftoverDns at
// the next start).
//
// Backends, chosen once per connection by DetectBackend:
//  - systemd-resolved: `resolvectl dns|domain|default-route` on the tunnel link, undone by
//    `resolvectl revert` (resolved also forgets the link by itself when the device goes).
//  - resolvconf (Debian's or openresolv): a record `<dev>.tesmira`, removed with `-d`. Debian's
//    interface-order puts `tun*` records before every physical interface's, so a tunN record
//    comes first. A marker in the private folder lets the next start remove a record that a
//    killed helper left behind (it would otherwise send lookups to a dead server until reboot).
//  - the file /etc/resolv.conf itself, the original kept in a backup in the private folder.
//
// The private folder (default /var/lib/tesmira: it must survive a power loss as the changed
// resolv.conf does) is made 0700 and must belong to the running user (root in the helper);
// a symlink or another owner's folder is refused. Each resource is claimed with flock on a
// lock file there, held for the whole connection: a second helper (another user's connection)
// neither restores a live helper's backup nor stacks one of its own.

#include <memory>
#include <string>

#include "dns/command_runner.h"
#include "dns/pushed_dns.h"

namespace dns {

enum class Backend { kResolved, kResolvconf, kFile };
const char* BackendName(Backend backend);  // "systemd-resolved", "resolvconf", "/etc/resolv.conf"

struct DnsSystem {
  std::string resolvConf = "/etc/resolv.conf";
  std::string privateDir = "/var/lib/tesmira";
  std::string resolvectl;  // absolute path; empty: not installed
  std::string resolvconf;  // absolute path; empty: not installed
  std::string nsswitch = "/etc/nsswitch.conf";
  std::string mountinfo = "/proc/self/mountinfo";
  CommandRunner* runner = nullptr;  // must outlive every AppliedDns made with this system

  // The machine's: the default paths, resolvectl from /usr/bin or /bin and resolvconf from
  // /usr/sbin or /sbin, each only when it is a root-owned executable no one else may write.
  static DnsSystem Installed(CommandRunner* runner);
};

// systemd-resolved when /etc/resolv.conf is its stub (a link to /run/systemd/resolve/
// stub-resolv.conf or .../resolv.conf, or a `nameserver 127.0.0.53` line), or when
// `resolvectl status` answers and nsswitch.conf's hosts line uses `resolve` (otherwise glibc
// would never ask resolved). Then resolvconf, when installed and /etc/resolv.conf is its
// output (a link into a resolvconf/ folder, or a comment naming resolvconf): an installed but
// unused resolvconf would take the record and change nothing. Otherwise the file.
Backend DetectBackend(const DnsSystem& system);

class AppliedDns {
 public:
  virtual ~AppliedDns() = default;
  // Puts back what ApplyDns changed; a second call does nothing. False with a one-line reason
  // when that failed: the file backend then keeps its backup for the next start. The
  // destructor of every backend reverts too, so a helper that only lets the object go cleans up.
  virtual bool Revert(std::string* error) = 0;
  virtual Backend backend() const = 0;
};

// Applies `pushed` with DetectBackend's choice. Returns null when nothing was applied: with
// `error` empty when nothing was pushed (no servers), otherwise with a one-line reason (for
// "Connected, but the VPN's DNS servers could not be set: <reason>"), DNS then being as it was.
//
// The file backend writes "nameserver" lines, one "search" line (DOMAIN then DOMAIN-SEARCH)
// and the original's "options" lines. It replaces the file by a new one renamed over it, or,
// where the file is a mount point (containers bind-mount it), rewrites it in place. A symlink
// that is not resolved's is replaced by the file the same way, and the link itself (its
// target text) is what gets put back. Putting back, it restores the original's bytes, mode
// and owner, but only while the file still holds what it wrote: a file someone changed since
// (a DHCP client, the administrator) is newer than the backup and is left alone.
std::unique_ptr<AppliedDns> ApplyDns(const PushedDns& pushed, const DnsSystem& system,
                                     std::string* error);

// At the helper's start: puts back a resolv.conf backup and removes resolvconf records that an
// earlier helper (crashed, killed, power loss) left, skipping those a live helper holds.
// Returns false with a reason when something could not be put back; `note` (may be null) gets
// a one-line account of what was done, empty when there was nothing to do.
bool RestoreLeftoverDns(const DnsSystem& system, std::string* note);

}  // namespace dns
