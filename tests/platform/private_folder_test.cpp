#include "platform/private_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "support/refservice/child_process.h"

namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    if (value != nullptr)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (previous_)
      ::setenv(name_, previous_->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

TEST(PrivateFolder, WhenTheFilesGoThere) {
  testsupport::TempDir home("tesmira-home");
  testsupport::TempDir elsewhere("tesmira-term");
  const fs::path homeLink = elsewhere.Path() / "home-link";
  fs::create_directory_symlink(home.Path(), homeLink);
  const std::string homeText = home.Path().string();
  const std::string homeSlash = homeText + "/";
  const struct {
    const char* name;
    const char* flag;
    std::string workingDir;
    const char* home;
    bool wanted;
  } cases[] = {
      {"a terminal's folder", nullptr, elsewhere.Path().string(), homeText.c_str(), false},
      {"the desktop entry's flag", "1", elsewhere.Path().string(), homeText.c_str(), true},
      {"a flag other than 1", "0", elsewhere.Path().string(), homeText.c_str(), false},
      {"the home folder", nullptr, homeText, homeText.c_str(), true},
      {"the home folder by another name", nullptr, homeLink.string(), homeSlash.c_str(), true},
      {"the root folder", nullptr, "/", homeText.c_str(), true},
      {"no home known", nullptr, elsewhere.Path().string(), nullptr, false},
      {"an unknown working folder", nullptr, "", homeText.c_str(), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::WantsPrivateFolder(c.flag, c.workingDir, c.home), c.wanted) << c.name;
  }
}

TEST(PrivateFolder, PathFollowsTheStateFolderRules) {
  const struct {
    const char* xdgStateHome;
    const char* home;
    const char* expected;
  } cases[] = {
      {"/var/state/u", "/home/u", "/var/state/u/tesmira"},
      {"/var/state/u/", "/home/u", "/var/state/u/tesmira"},
      {nullptr, "/home/u", "/home/u/.local/state/tesmira"},
      {"", "/home/u/", "/home/u/.local/state/tesmira"},
      // A relative value is not a usable state folder; it is ignored.
      {"state", "/home/u", "/home/u/.local/state/tesmira"},
      {nullptr, "/", "/.local/state/tesmira"},
      {nullptr, nullptr, ""},
      {"state", "home/u", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::PrivateFolderPath(c.xdgStateHome, c.home), c.expected)
        << (c.xdgStateHome ? c.xdgStateHome : "(unset)") << " / " << (c.home ? c.home : "(unset)");
  }
}

TEST(PrivateFolder, MissingFoldersAreMadeForTheOwnerOnly) {
  testsupport::TempDir base("tesmira-state");
  const fs::path folder = base.Path() / "a" / "b" / "tesmira";
  // Even a generous umask must not leave the folder open to others.
  const mode_t previousMask = ::umask(0);
  std::string error;
  const int fd = platform::OpenPrivateFolder(folder.string(), &error);
  ::umask(previousMask);
  ASSERT_GE(fd, 0) << error;
  ::close(fd);
  EXPECT_EQ(ModeOf(folder), 0700u);
  EXPECT_EQ(ModeOf(base.Path() / "a"), 0700u);
  EXPECT_EQ(ModeOf(base.Path() / "a" / "b"), 0700u);
}

TEST(PrivateFolder, AnExistingFolderLosesWhatOthersMayDo) {
  testsupport::TempDir base("tesmira-state");
  const fs::path parent = base.Path() / "shared";
  const fs::path folder = parent / "tesmira";
  fs::create_directories(folder);
  fs::permissions(parent, fs::perms(0755));
  for (const mode_t mode : {0777u, 0755u, 0750u, 01777u, 0500u}) {
    fs::permissions(folder, fs::perms(mode));
    std::string error;
    const int fd = platform::OpenPrivateFolder(folder.string(), &error);
    ASSERT_GE(fd, 0) << std::oct << mode << ": " << error;
    ::close(fd);
    EXPECT_EQ(ModeOf(folder), 0700u) << std::oct << mode;
  }
  // Folders on the way that already exist are their owner's business.
  EXPECT_EQ(ModeOf(parent), 0755u);
}

TEST(PrivateFolder, RefusesWhatCannotBePrivate) {
  testsupport::TempDir base("tesmira-state");
  base.Write("file", "not a folder");
  const struct {
    const char* name;
    fs::path path;
    const char* reason;
  } cases[] = {
      {"a file", base.Path() / "file", "Not a directory"},
      {"a path through a file", base.Path() / "file" / "tesmira", "Not a directory"},
      {"no home", "", "no home folder"},
      {"a relative path", "state/tesmira", "no home folder"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(platform::OpenPrivateFolder(c.path.string(), &error), -1) << c.name;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
  }
}

TEST(PrivateFolder, RefusesAnotherUsersFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
  testsupport::TempDir base("tesmira-state");
  const fs::path folder = base.Path() / "tesmira";
  fs::create_directory(folder);
  fs::permissions(folder, fs::perms(0755));
  ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
  std::string error;
  EXPECT_EQ(platform::OpenPrivateFolder(folder.string(), &error), -1);
  EXPECT_NE(error.find("belongs to another user (uid 65534)"), std::string::npos) << error;
  // Refused as it was found: its owner's modes are not touched either.
  EXPECT_EQ(ModeOf(folder), 0755u);
}

TEST(PrivateFolder, StartUpEntersTheFolderOnlyWhenWanted) {
  testsupport::ScopedWorkDir terminal("tesmira-term");
  testsupport::TempDir state("tesmira-state");
  ScopedEnv stateHome("XDG_STATE_HOME", state.Path().c_str());

  {
    ScopedEnv flag(platform::kPrivateFolderVariable, nullptr);
    std::string error;
    ASSERT_TRUE(platform::EnterPrivateFolderIfWanted(&error)) << error;
    EXPECT_TRUE(fs::equivalent(fs::current_path(), terminal.Path()));
    EXPECT_FALSE(fs::exists(state.Path() / "tesmira"));
  }
  {
    ScopedEnv flag(platform::kPrivateFolderVariable, "1");
    std::string error;
    ASSERT_TRUE(platform::EnterPrivateFolderIfWanted(&error)) << error;
    EXPECT_TRUE(fs::equivalent(fs::current_path(), state.Path() / "tesmira"));
    EXPECT_EQ(ModeOf(state.Path() / "tesmira"), 0700u);
  }
}

}  // namespace
