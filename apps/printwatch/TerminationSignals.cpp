#include "apps/printwatch/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>

namespace kv71p::printwatch {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t gWriteEnd = -1;

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  const ssize_t n = write(gWriteEnd, &byte, 1);
  (void)n;  // a full pipe already holds a request
  errno = saved;
}

}  // namespace

TerminationSignals::TerminationSignals() {
  if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  gWriteEnd = pipe_[1];
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : kSignals) sigaction(s, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
  if (pipe_[0] < 0) return;
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int s : kSignals) sigaction(s, &action, nullptr);
  notifier_.reset();
  gWriteEnd = -1;
  close(pipe_[0]);
  close(pipe_[1]);
}

void TerminationSignals::QuitOnSignal(QCoreApplication* app) {
  if (pipe_[0] < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, app, [this] {
    char buffer[16];
    while (read(pipe_[0], buffer, sizeof buffer) > 0) {
    }
    QCoreApplication::quit();
  });
}

}  // namespace kv71p::printwatch
