// A stand-in for the OpenVPN engine: prints a scripted output to standard output, flushing each
// piece, so that tests can drive the log reader with exactly the output they need.
//
// Steps come from the arguments and then, when TESMIRA_ENGINE_SCRIPT names a file, from that
// file, one step a line. The engine's own options (--config, --auth-user-pass, --cd, --user,
// --group, each with its value) are accepted and skipped, so the stand-in can sit where the real
// engine would be started.
//
//   line:TEXT      TEXT and a line feed
//   chunk:TEXT     TEXT without a line end
//   sleep:MS       a pause
//   exit:CODE      ends with that status
//   hold           keeps running until a signal ends it
//   ignore-term    SIGTERM no longer ends it (only SIGKILL does)
//   trace:FILE     each SIGTERM received appends "TERM\n" to FILE
//   pidfile:FILE   writes the process id to FILE
//   argsfile:FILE  writes every argument (the program's name first), one a line, to FILE
//   waitfor:FILE   waits until FILE exists, so a test can say when the next piece comes
//
// TEXT may hold \n, \r, \t and \\. Without exit or hold the program ends with status 0.
//
//   input:FILE     copies standard input to FILE; at its end writes "<EOF>" and ends (unless
//                  ignoring SIGTERM), as the engine helper does when its caller is gone
//
// Without TESMIRA_ENGINE_SCRIPT, a file named as the program was started plus ".script" is the
// script, so a stand-in started by the engine helper (which clears the environment) has one.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

volatile sig_atomic_t ignoreTerm = 0;
std::vector<std::string> allArguments;
char traceFile[4096] = {0};

void OnTerm(int) {
  if (traceFile[0] != '\0') {
    const int fd = open(traceFile, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
      (void)!write(fd, "TERM\n", 5);
      close(fd);
    }
  }
  if (!ignoreTerm) _exit(143);
}

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char next = text[++i];
      out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
    } else {
      out += text[i];
    }
  }
  return out;
}

void Print(const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(STDOUT_FILENO, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    written += static_cast<size_t>(n);
  }
}

void Sleep(long milliseconds) {
  timespec wait{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

// Whole or not at all: a test that sees the file also sees its content.
void WriteFile(const std::string& name, const std::string& content) {
  const std::string partial = name + ".partial";
  std::ofstream(partial, std::ios::binary) << content;
  std::rename(partial.c_str(), name.c_str());
}

bool StartsWith(const std::string& text, const char* prefix, std::string& rest) {
  const size_t n = std::strlen(prefix);
  if (text.compare(0, n, prefix) != 0) return false;
  rest = text.substr(n);
  return true;
}

// Copies its standard input to `path` as it comes; at its end writes "<EOF>" and ends, as the
// engine helper does when its caller is gone (unless SIGTERM is being ignored).
void CopyInput(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
  char buffer[256];
  for (ssize_t n; (n = read(STDIN_FILENO, buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    (void)!write(fd, buffer, static_cast<size_t>(n));
  }
  (void)!write(fd, "<EOF>", 5);
  close(fd);
  if (!ignoreTerm) _exit(0);
}

// Runs one step; returns false when the program is to end (after `status` is set).
bool Step(const std::string& step, int& status) {
  std::string rest;
  if (StartsWith(step, "line:", rest)) {
    Print(Unescape(rest) + "\n");
  } else if (StartsWith(step, "chunk:", rest)) {
    Print(Unescape(rest));
  } else if (StartsWith(step, "sleep:", rest)) {
    Sleep(std::atol(rest.c_str()));
  } else if (StartsWith(step, "exit:", rest)) {
    status = std::atoi(rest.c_str());
    return false;
  } else if (step == "hold") {
    for (;;) pause();
  } else if (step == "ignore-term") {
    ignoreTerm = 1;
  } else if (StartsWith(step, "trace:", rest)) {
    std::snprintf(traceFile, sizeof traceFile, "%s", rest.c_str());
  } else if (StartsWith(step, "argsfile:", rest)) {
    std::string all;
    for (const std::string& argument : allArguments) all += argument + "\n";
    WriteFile(rest, all);
  } else if (StartsWith(step, "waitfor:", rest)) {
    while (access(rest.c_str(), F_OK) != 0) Sleep(5);
  } else if (StartsWith(step, "input:", rest)) {
    std::thread(CopyInput, rest).detach();
  } else if (StartsWith(step, "pidfile:", rest)) {
    WriteFile(rest, std::to_string(getpid()) + "\n");
  } else if (!step.empty()) {
    std::fprintf(stderr, "stand_in_engine: unknown step '%s'\n", step.c_str());
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  struct sigaction action {};
  action.sa_handler = OnTerm;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);

  allArguments.assign(argv, argv + argc);
  std::vector<std::string> steps;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if ((argument == "--config" || argument == "--auth-user-pass" || argument == "--user" ||
         argument == "--group" || argument == "--cd") &&
        i + 1 < argc) {
      ++i;
      continue;
    }
    steps.push_back(argument);
  }
  // A helper that clears the environment still finds a script beside the name it runs.
  const char* variable = std::getenv("TESMIRA_ENGINE_SCRIPT");
  const std::string beside = std::string(argv[0]) + ".script";
  const char* script = variable != nullptr                 ? variable
                       : access(beside.c_str(), F_OK) == 0 ? beside.c_str()
                                                           : nullptr;
  if (script != nullptr) {
    std::ifstream in(script, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      steps.push_back(line);
    }
  }

  int status = 0;
  for (const std::string& step : steps) {
    if (!Step(step, status)) break;
  }
  return status;
}
