#pragma once
// Other programs on one folder, played by child processes: started by fork, stepped through pipes, ended
// by their own _exit (never by the test's exit handlers, which belong to the parent) or by SIGKILL.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
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
