#include "PrivateCupsd.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace kv71p::test {

namespace {

const char* const kSystemServerBin = "/usr/lib/cups";
const char* const kSystemDataDir = "/usr/share/cups";

// Links every entry of `from` into `to`, except the names in `skip`.
void LinkEntries(const fs::path& from, const fs::path& to, const std::vector<std::string>& skip) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(from, ec)) {
    const std::string name = e.path().filename().string();
    bool skipped = false;
    for (const auto& s : skip) skipped = skipped || s == name;
    if (!skipped) fs::create_symlink(e.path(), to / name, ec);
  }
}

void MakeDir(const fs::path& p, mode_t mode) {
  std::error_code ec;
  fs::create_directories(p, ec);
  chmod(p.c_str(), mode);
}

}  // namespace

PrivateCupsd::PrivateCupsd() : PrivateCupsd(Options{}) {}

PrivateCupsd::PrivateCupsd(Options options) : options_(std::move(options)) {
  std::string pattern = (fs::temp_directory_path() / "kv71p-cupsd-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) root_ = pattern;
  // Filters and backends run as user lp: every folder on the way must be
  // searchable by everyone.
  chmod(root_.c_str(), 0755);
  socket_ = root_ + "/cups.sock";
  conf_ = root_ + "/etc/cupsd.conf";
  filesConf_ = root_ + "/etc/cups-files.conf";
  serverBin_ = root_ + "/serverbin";
  dataDir_ = root_ + "/data";
  outputDir_ = root_ + "/backend-out";
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
  for (const char* d : {"etc", "spool", "spool/tmp", "cache", "state", "log", "home"})
    MakeDir(fs::path(root_) / d, 0755);
  MakeDir(fs::path(root_) / "spool/tmp", 01777);
  MakeDir(outputDir_, 0777);

  MakeDir(serverBin_, 0755);
  LinkEntries(kSystemServerBin, serverBin_, {"filter", "backend"});
  MakeDir(serverBin_ + "/filter", 0755);
  LinkEntries(std::string(kSystemServerBin) + "/filter", serverBin_ + "/filter", {});
  MakeDir(serverBin_ + "/backend", 0755);
  LinkEntries(std::string(kSystemServerBin) + "/backend", serverBin_ + "/backend", {});
  std::error_code ec;
  fs::create_symlink(KV71P_TEST_VEXBACKEND, serverBin_ + "/backend/vexbackend", ec);
  for (const auto& [name, path] : options_.filters) {
    fs::remove(serverBin_ + "/filter/" + name, ec);
    fs::create_symlink(fs::absolute(path), serverBin_ + "/filter/" + name, ec);
  }

  MakeDir(dataDir_, 0755);
  LinkEntries(kSystemDataDir, dataDir_, {"model"});
  MakeDir(dataDir_ + "/model", 0755);
  for (const auto& [name, path] : options_.models) {
    const fs::path target = fs::path(dataDir_) / "model" / name;
    MakeDir(target.parent_path(), 0755);
    fs::create_symlink(fs::absolute(path), target, ec);
  }

  std::ofstream files(filesConf_);
  files << "ServerRoot " << root_ << "/etc\n"
        << "RequestRoot " << root_ << "/spool\n"
        << "TempDir " << root_ << "/spool/tmp\n"
        << "CacheDir " << root_ << "/cache\n"
        << "StateDir " << root_ << "/state\n"
        << "ServerBin " << serverBin_ << "\n"
        << "DataDir " << dataDir_ << "\n"
        << "AccessLog " << root_ << "/log/access_log\n"
        << "ErrorLog " << root_ << "/log/error_log\n"
        << "PageLog " << root_ << "/log/page_log\n"
        << "Printcap " << root_ << "/printcap\n"
        << "User lp\nGroup lp\nSystemGroup root\n"
        // The environment of filters and backends: CUPS 2.4 takes SetEnv
        // only here (in cupsd.conf it is ignored with a warning).
        << "SetEnv VEXBACKEND_OUTPUT_DIR " << outputDir_ << "\n";
  for (const std::string& e : options_.setEnv) {
    const size_t eq = e.find('=');
    if (eq != std::string::npos)
      files << "SetEnv " << e.substr(0, eq) << " " << e.substr(eq + 1) << "\n";
  }
  std::ofstream conf(conf_);
  conf << "Listen " << socket_ << "\n"
       << "LogLevel debug\nDirtyCleanInterval 0\nBrowsing Off\nDefaultAuthType None\n"
       << "WebInterface No\n"
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
  const std::vector<std::string> env = ClientEnvironment();
  return WaitFor(
      [&] {
        if (!process_.Running()) return true;
        const ProcessResult r = RunProcess({"lpstat", "-r"}, {env, "", "", 10});
        return r.out.find("scheduler is running") != std::string::npos &&
               r.out.find("not running") == std::string::npos;
      },
      20) &&
         process_.Running();
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
  ProcessOptions options;
  options.env = ClientEnvironment();
  return RunProcess(argv, options);
}

}  // namespace kv71p::test
