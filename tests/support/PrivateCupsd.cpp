#include "tests/support/PrivateCupsd.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kv71p::test {

namespace {

// Links every entry of `from` into `to` (made), except `skip` and the
// filter and backend folders, which get their own links.
void LinkEntries(const fs::path& from, const fs::path& to, const std::string& skip = "") {
  std::error_code ec;
  fs::create_directories(to, ec);
  for (const auto& e : fs::directory_iterator(from, ec))
    if (e.path().filename() != "filter" && e.path().filename() != "backend" &&
        e.path().filename() != skip)
      fs::create_symlink(e.path(), to / e.path().filename(), ec);
}

}  // namespace

PrivateCupsd::PrivateCupsd() : PrivateCupsd(Options{}) {}

PrivateCupsd::PrivateCupsd(Options options) : options_(std::move(options)) {
  std::string pattern = (fs::temp_directory_path() / "kv71p-cupsd-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) root_ = pattern;
  socket_ = root_ + "/cups.sock";
  conf_ = root_ + "/etc/cupsd.conf";
  filesConf_ = root_ + "/etc/cups-files.conf";
  serverBin_ = root_ + "/serverbin";
  dataDir_ = root_ + "/data";
  home_ = root_ + "/home";
}

PrivateCupsd::~PrivateCupsd() {
  Stop();
  std::error_code ec;
  if (!root_.empty()) fs::remove_all(root_, ec);
}

bool PrivateCupsd::WriteConfiguration() {
  if (configured_) return true;
  if (root_.empty()) return false;
  std::error_code ec;
  for (const char* d : {"etc", "spool/tmp", "cache", "state", "log", "home"})
    fs::create_directories(root_ + "/" + d, ec);
  // ServerBin and DataDir: the system's, with the test's filters, backend
  // and models added.
  LinkEntries("/usr/lib/cups", serverBin_);
  LinkEntries("/usr/lib/cups/filter", serverBin_ + "/filter");
  LinkEntries("/usr/lib/cups/backend", serverBin_ + "/backend");
  // The suite's backend as a copy of mode 0700: cupsd runs it as root, as
  // an installed one runs.
  const std::string backend = serverBin_ + "/backend/vexbackend";
  fs::copy_file(KV71P_BACKEND_PROGRAM, backend, fs::copy_options::overwrite_existing, ec);
  chmod(backend.c_str(), 0700);
  // The test's filters and models as copies: user lp reads them, and the
  // build tree may lie in a folder only its owner can enter.
  for (const auto& [name, path] : options_.filters) {
    const std::string target = serverBin_ + "/filter/" + name;
    fs::remove(target, ec);
    fs::copy_file(path, target, ec);
    chmod(target.c_str(), 0755);
  }
  LinkEntries("/usr/share/cups", dataDir_, "model");
  for (const auto& [name, path] : options_.models) {
    const fs::path target = fs::path(dataDir_) / "model" / name;
    fs::create_directories(target.parent_path(), ec);
    fs::copy_file(path, target, fs::copy_options::overwrite_existing, ec);
    chmod(target.c_str(), 0644);
  }
  // Filters run as user lp: every folder on the way must be searchable by
  // everyone, the spool's temp folder writable.
  chmod(root_.c_str(), 0755);
  for (const auto& e : fs::recursive_directory_iterator(root_, ec))
    if (!e.is_symlink() && e.is_directory()) chmod(e.path().c_str(), 0755);
  chmod((root_ + "/spool/tmp").c_str(), 01777);

  std::ofstream files(filesConf_);
  files << "ServerRoot " << root_ << "/etc\nRequestRoot " << root_ << "/spool\n"
        << "TempDir " << root_ << "/spool/tmp\nCacheDir " << root_ << "/cache\n"
        << "StateDir " << root_ << "/state\nServerBin " << serverBin_ << "\n"
        << "DataDir " << dataDir_ << "\nAccessLog " << root_ << "/log/access_log\n"
        << "ErrorLog " << root_ << "/log/error_log\nPageLog " << root_ << "/log/page_log\n"
        << "Printcap " << root_ << "/printcap\nUser lp\nGroup lp\nSystemGroup root\n";
  // The environment of filters and backends: CUPS 2.4 takes SetEnv only
  // here (in cupsd.conf it is ignored with a warning).
  for (const std::string& e : options_.setEnv)
    if (e.find('=') != std::string::npos)
      files << "SetEnv " << e.substr(0, e.find('=')) << " " << e.substr(e.find('=') + 1) << "\n";
  std::ofstream conf(conf_);
  conf << "Listen " << socket_ << "\nLogLevel debug\nDirtyCleanInterval 0\nBrowsing Off\n"
       << "DefaultAuthType None\nWebInterface No\n"
       << "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
       << "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
  configured_ = static_cast<bool>(files) && static_cast<bool>(conf);
  return configured_;
}

bool PrivateCupsd::Start() {
  if (!WriteConfiguration()) return false;
  if (process_.Running()) return true;
  if (!process_.Start({"/usr/sbin/cupsd", "-f", "-c", conf_, "-s", filesConf_}, {},
                      root_ + "/log/cupsd.out"))
    return false;
  ProcessOptions client{ClientEnvironment(), "", "", 10};
  return WaitFor([&] {
           const std::string out = process_.Running() ? RunProcess({"lpstat", "-r"}, client).out : "";
           return !process_.Running() || out.find("scheduler is running") == 0;
         }, 20) && process_.Running();
}

void PrivateCupsd::Stop() { process_.Stop(15, 10); }

std::string PrivateCupsd::errorLog() const { return ReadFile(root_ + "/log/error_log"); }

std::vector<std::string> PrivateCupsd::ClientEnvironment() const {
  return {"CUPS_SERVER=" + socket_, "HOME=" + home_};
}

void PrivateCupsd::ExportClientEnvironment() const {
  setenv("CUPS_SERVER", socket_.c_str(), 1);
  setenv("HOME", home_.c_str(), 1);
}

ProcessResult PrivateCupsd::Lpadmin(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {"lpadmin"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProcess(argv, {ClientEnvironment(), "", "", 60});
}

}  // namespace kv71p::test
