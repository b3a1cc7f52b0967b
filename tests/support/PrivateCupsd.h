// A private CUPS scheduler for one test: its own configuration, spool and
// logs in a temporary folder, listening on a Unix socket inside it. Queues
// created there never touch the machine's CUPS.
//
// ServerBin holds links to the system's filters and backends, plus the
// filters the test adds and a copy of the suite's backend "vexbackend" of
// mode 0700, which cupsd runs as root. DataDir holds links to the system's
// data plus a model/ folder with the test's PPDs.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tests/support/Subprocess.h"

namespace kv71p::test {

class PrivateCupsd {
 public:
  struct Options {
    // (file name in serverbin/filter, path of the program)
    std::vector<std::pair<std::string, std::string>> filters;
    // (name under the model folder, e.g. "korvale/KV-71P.ppd.gz"; source path)
    std::vector<std::pair<std::string, std::string>> models;
    // variables handed to filters and backends ("NAME=value")
    std::vector<std::string> setEnv;
  };

  PrivateCupsd();
  explicit PrivateCupsd(Options options);
  ~PrivateCupsd();
  PrivateCupsd(const PrivateCupsd&) = delete;
  PrivateCupsd& operator=(const PrivateCupsd&) = delete;

  // Writes the configuration and starts cupsd; waits until it answers.
  bool Start();
  // Stops cupsd (it can be started again with the same folder).
  void Stop();
  bool running() { return process_.Running(); }

  const std::string& root() const { return root_; }                // the temporary folder
  const std::string& socket() const { return socket_; }            // CUPS_SERVER value
  const std::string& cupsFilesConf() const { return filesConf_; }  // for cupsfilter -c
  const std::string& serverBin() const { return serverBin_; }      // for CUPS_SERVERBIN
  const std::string& home() const { return home_; }
  std::string errorLog() const;

  // Environment for client programs and libcups in this process:
  // CUPS_SERVER and HOME (a private home, so no user lpoptions leak in).
  std::vector<std::string> ClientEnvironment() const;
  // Applies ClientEnvironment() to this process (for in-process libcups).
  void ExportClientEnvironment() const;

  // Runs lpadmin with `args` against this scheduler.
  ProcessResult Lpadmin(const std::vector<std::string>& args) const;

 private:
  bool WriteConfiguration();

  Options options_;
  std::string root_, socket_, filesConf_, conf_, serverBin_, dataDir_, home_;
  BackgroundProcess process_;
  bool configured_ = false;
};

}  // namespace kv71p::test
