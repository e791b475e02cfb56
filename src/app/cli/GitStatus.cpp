#include "app/cli/GitStatus.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "rtl/FileSystem.h"
#include "rtl/Strings.h"

extern char** environ;

namespace zan::cli {

namespace {

namespace fs = std::filesystem;

/// Paths handed to one git process at most (bytes), well below the
/// system's limit on arguments.
constexpr size_t kArgumentBytes = 64 * 1024;

struct TProcessResult {
  int Error = 0;  // errno when the program could not be started
  int Status = -1;
  std::string Out;
  std::string Err;
};

/// Runs `argv` (argv[0] looked up in PATH) with stdin from /dev/null and
/// collects what it writes on stdout and stderr.
TProcessResult RunProgram(const std::vector<std::string>& args) {
  TProcessResult result;
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    result.Error = errno;
    return result;
  }
  if (::pipe2(err, O_CLOEXEC) != 0) {
    result.Error = errno;
    ::close(out[0]);
    ::close(out[1]);
    return result;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  if (spawned != 0) {
    result.Error = spawned;
    ::close(out[0]);
    ::close(err[0]);
    return result;
  }
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.Out, &result.Err};
  int open = 2;
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[16384];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (const pollfd& fd : fds)
    if (fd.fd >= 0) ::close(fd.fd);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

/// Whether `folder` or a folder above it holds ".git" (a folder, or the
/// file a linked work tree or a submodule has).
bool UnderGit(fs::path folder) {
  std::error_code ec;
  for (;;) {
    if (fs::exists(folder / ".git", ec)) return true;
    if (!folder.has_relative_path()) return false;
    folder = folder.parent_path();
  }
}

/// git's message, on one line.
std::string OneLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return text.empty() ? std::string("no message") : text;
}

void GitFailed(TGitCheck& check, const TProcessResult& run) {
  if (run.Error == ENOENT) {
    check.GitMissing = true;
    check.Problem = "git is not installed";
  } else if (run.Error != 0) {
    check.Problem = std::string("git cannot be started: ") + std::strerror(run.Error);
  } else {
    check.Problem = "git failed: " + OneLine(run.Err);
  }
}

const char* StateOf(char staged, char worktree) {
  if (staged == '?') return "untracked";
  return worktree != ' ' ? "modified" : "staged";
}

}  // namespace

TGitCheck CheckGitStatus(const std::u16string& folder, const std::vector<std::u16string>& files) {
  TGitCheck check;
  std::error_code ec;
  const fs::path start = fs::weakly_canonical(FileNameToNative(folder), ec);
  if (ec || !UnderGit(start)) return check;
  check.UnderGit = true;
  TProcessResult top = RunProgram({"git", "-C", start.string(), "rev-parse", "--show-toplevel"});
  if (top.Error != 0 || top.Status != 0) {
    GitFailed(check, top);
    return check;
  }
  while (!top.Out.empty() && top.Out.back() == '\n') top.Out.pop_back();
  const std::string root = top.Out;

  // Each file by its path in the work tree ("sub/U.pas"), as git names it.
  std::unordered_map<std::string, size_t> byName;
  std::vector<std::string> names;
  for (size_t i = 0; i < files.size(); ++i) {
    const std::string path = fs::weakly_canonical(FileNameToNative(files[i]), ec).string();
    if (ec || path.size() <= root.size() + 1 || !path.starts_with(root) || path[root.size()] != '/')
      continue;
    std::string name = path.substr(root.size() + 1);
    if (byName.emplace(name, i).second) names.push_back(std::move(name));
  }
  std::vector<bool> dirty(files.size(), false);
  std::vector<std::string> states(files.size());
  for (size_t first = 0; first < names.size();) {
    std::vector<std::string> args = {"git",
                                     "--no-optional-locks",
                                     "--literal-pathspecs",
                                     "-C",
                                     root,
                                     "status",
                                     "--porcelain",
                                     "-z",
                                     "--untracked-files=all",
                                     "--"};
    size_t bytes = 0, next = first;
    for (; next < names.size() && (next == first || bytes + names[next].size() < kArgumentBytes);
         ++next) {
      bytes += names[next].size() + 1;
      args.push_back(names[next]);
    }
    const TProcessResult status = RunProgram(args);
    if (status.Error != 0 || status.Status != 0) {
      GitFailed(check, status);
      return check;
    }
    // "XY name\0", and after a rename or copy the name it had "\0".
    const std::string& out = status.Out;
    for (size_t at = 0; at < out.size();) {
      size_t end = out.find('\0', at);
      if (end == std::string::npos) end = out.size();
      const std::string_view entry(out.data() + at, end - at);
      at = end + 1;
      if (entry.size() < 4) continue;
      if (entry[0] == 'R' || entry[0] == 'C') {
        const size_t skip = out.find('\0', at);
        at = skip == std::string::npos ? out.size() : skip + 1;
      }
      const auto found = byName.find(std::string(entry.substr(3)));
      if (found == byName.end() || dirty[found->second]) continue;
      dirty[found->second] = true;
      states[found->second] = StateOf(entry[0], entry[1]);
    }
    first = next;
  }
  for (size_t i = 0; i < files.size(); ++i)
    if (dirty[i]) check.Dirty.push_back({files[i], states[i]});
  return check;
}

}  // namespace zan::cli
