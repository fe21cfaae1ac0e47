#pragma once
// Other programs on one folder, played by child processes: started by fork, stepped through pipes, ended
// by their own _exit (never by the test's exit handlers, which belong to the parent) or by SIGKILL.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

namespace ld::test {

// Waits until this process runs no thread but the calling one: a thread that the program starts to
// close a replaced file in the background may hold the memory allocator's lock at the fork, and the
// child would wait for it for ever.
inline void AwaitSingleThread() {
  for (int k = 0; k < 5000; ++k) {
    std::error_code ec;
    const auto tasks = std::filesystem::directory_iterator("/proc/self/task", ec);
    if (ec || std::distance(tasks, std::filesystem::directory_iterator()) <= 1) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// Runs f in a child process that ends with _exit(f()); the parent gets the child's id (-1: no child).
inline pid_t Forked(const std::function<int()>& f) {
  AwaitSingleThread();
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(f());
  return pid;
}

// The child's exit code, or 1000 + the signal that ended it.
inline int ExitOf(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 1000 + WTERMSIG(status) : -1;
}

// Waits until the child has stopped itself (SIGSTOP, at the instant a test chose) and kills it there as
// a killed program dies; true when it stopped and then died of the kill.
inline bool KillWhenStopped(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, WUNTRACED) != pid || !WIFSTOPPED(status)) return false;
  ::kill(pid, SIGKILL);
  return ExitOf(pid) == 1000 + SIGKILL;
}

// Programs of other accounts on one folder: a child takes the account's ids, which the test process may
// give only where it runs as the superuser.
inline bool CanPlayAnotherAccount() { return ::geteuid() == 0; }
inline bool BecomeAccount(uid_t id) {
  return ::setgroups(0, nullptr) == 0 && ::setresgid(id, id, id) == 0 && ::setresuid(id, id, id) == 0;
}

// What f reports, run by a child process of that account; "<no account>" where the child cannot take it.
inline std::string ReportAs(uid_t id, const std::function<std::string()>& f) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return "<no pipe>";
  const pid_t pid = Forked([&] {
    ::close(fds[0]);
    const std::string report = BecomeAccount(id) ? f() : "<no account>";
    for (std::size_t done = 0; done < report.size();) {
      const ssize_t n = ::write(fds[1], report.data() + done, report.size() - done);
      if (n <= 0) return 1;
      done += static_cast<std::size_t>(n);
    }
    return 0;
  });
  ::close(fds[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
  ::close(fds[0]);
  if (pid < 0 || ExitOf(pid) != 0) report += "<child failed>";
  return report;
}

// A one-way signal between processes: Signal writes a byte, Wait blocks until one comes.
class Pipe {
public:
  Pipe() {
    if (::pipe2(fds_, O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
  }
  ~Pipe() {
    for (int fd : fds_)
      if (fd >= 0) ::close(fd);
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  bool Signal(char c = 'S') const { return ::write(fds_[1], &c, 1) == 1; }
  bool Wait() const {
    char c = 0;
    return ::read(fds_[0], &c, 1) == 1;
  }

private:
  int fds_[2] = {-1, -1};
};

}  // namespace ld::test
