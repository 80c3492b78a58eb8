#include "jack_server.h"

#include <fcntl.h>
#include <jack/jack.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <stdexcept>
#include <thread>

namespace varnok::host::testing {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(15);
constexpr auto kStopTimeout = std::chrono::seconds(5);
constexpr auto kPoll = std::chrono::milliseconds(50);

void Quiet(const char*) {}

bool TakesClients() {
  jack_status_t status{};
  jack_client_t* client = jack_client_open("probe", JackNoStartServer, &status);
  if (client == nullptr) return false;
  jack_client_close(client);
  return true;
}

bool Exited(pid_t pid, std::chrono::steady_clock::duration within) {
  const auto deadline = std::chrono::steady_clock::now() + within;
  do {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
    std::this_thread::sleep_for(kPoll);
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

// The semaphores and segments a server named `name` and its clients leave in
// /dev/shm: jackd keeps them past its end, and each run of the suite names
// its server anew.
void RemoveLeftovers(const std::string& name) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
    if (entry.path().filename().string().find(name + "_") != std::string::npos) {
      std::filesystem::remove(entry.path(), error);
    }
  }
}

}  // namespace

JackServer::JackServer(int sample_rate, int period_frames)
    : name_("varnok-test-" + std::to_string(getpid())) {
  jack_set_error_function(Quiet);
  jack_set_info_function(Quiet);
  setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
  const std::string rate = std::to_string(sample_rate);
  const std::string period = std::to_string(period_frames);
  pid_ = fork();
  if (pid_ == 0) {
    // A test that crashes takes its server with it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    // A long client time-out keeps slow (sanitized) clients in the graph, and
    // a synchronous server waits for every client in every period, so that
    // what a listener hears lines up with what was played on a loaded machine.
    execlp("jackd", "jackd", "--no-realtime", "--sync", "-t", "10000", "-n", name_.c_str(), "-d", "dummy", "-r",
           rate.c_str(), "-p", period.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid_ < 0) throw std::runtime_error("cannot start jackd");
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (!TakesClients()) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      throw std::runtime_error("jackd -d dummy ended at its start");
    }
    if (std::chrono::steady_clock::now() > deadline) {
      Kill();
      throw std::runtime_error("jackd -d dummy took no client in time");
    }
    std::this_thread::sleep_for(kPoll);
  }
}

void JackServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  if (Exited(pid_, kStopTimeout)) {
    pid_ = -1;
    RemoveLeftovers(name_);
  } else {
    Kill();
  }
}

void JackServer::Kill() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
  RemoveLeftovers(name_);
}

}  // namespace varnok::host::testing
