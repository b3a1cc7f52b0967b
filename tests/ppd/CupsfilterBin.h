// What `cupsfilter` needs to run the real CUPS filter chain into a program
// of ours standing in as "rastertokv71p": a ServerBin whose filter/ folder
// links the system's filters and holds a wrapper that runs the program with
// KV71P_CACHE_DIR pointing at the folder's cache (cupsfilter hands filters a
// fixed environment), a cups-files.conf naming it; and a test PDF.
#pragma once

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/Subprocess.h"
#include "tests/support/TestTempDir.h"

namespace kv71p::test {

class CupsfilterBin {
 public:
  explicit CupsfilterBin(const std::string& program) {
    namespace fs = std::filesystem;
    chmod(dir_.path().c_str(), 0755);
    const fs::path filters = fs::path(serverBin()) / "filter";
    fs::create_directories(filters);
    fs::create_directories(cache());
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/usr/lib/cups/filter", ec))
      if (e.path().filename() != "rastertokv71p") fs::create_symlink(e.path(), filters / e.path().filename(), ec);
    // Run as root, cupsfilter refuses filters that others may write to.
    const std::string wrapper = (filters / "rastertokv71p").string();
    WriteFile(wrapper, "#!/bin/sh\nKV71P_CACHE_DIR='" + cache() + "'\nexport KV71P_CACHE_DIR\nexec '" + program + "' \"$@\"\n");
    chmod(wrapper.c_str(), 0755);
    WriteFile(filesConf(), "ServerBin " + serverBin() + "\nDataDir /usr/share/cups\n");
  }
  std::string serverBin() const { return dir_ / "serverbin"; }
  std::string filesConf() const { return dir_ / "cups-files.conf"; }
  std::string cache() const { return dir_ / "cache"; }
  std::string path(const std::string& name) const { return dir_ / name; }

  // cupsfilter with the project's PPD on `input`, with -o for each option.
  ProcessResult Run(const std::string& ppd, const std::vector<std::string>& options, const std::string& input,
                    int copies = 1) const {
    std::vector<std::string> argv = {"cupsfilter", "-e", "-p", ppd, "-m", "printer/foo", "-c", filesConf(),
                                     "-n", std::to_string(copies)};
    for (const std::string& o : options) argv.insert(argv.end(), {"-o", o});
    argv.push_back(input);
    return RunProcess(argv, {{}, "", "", 240});
  }

 private:
  TestTempDir dir_;
};

// Pages of 207 x 105 mm with the same picture: the top half red on the left
// and blue on the right, the bottom half green.
inline std::string TestPdf(int pages) {
  const std::string draw =
      "1 0 0 rg 0 148.82 293.39 148.82 re f 0 0 1 rg 293.39 148.82 293.38 148.82 re f 0 1 0 rg 0 0 586.77 148.82 re f";
  std::string kids;
  for (int i = 0; i < pages; ++i) kids += std::to_string(i + 3) + " 0 R ";
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                      "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>"};
  const std::string contents = std::to_string(pages + 3);
  for (int i = 0; i < pages; ++i)
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 586.77 297.64] /Contents " + contents + " 0 R >>");
  objects.push_back("<< /Length " + std::to_string(draw.size()) + " >>\nstream\n" + draw + "\nendstream");
  std::string pdf = "%PDF-1.4\n", xref;
  for (size_t i = 0; i < objects.size(); ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", pdf.size());
    xref += line;
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const std::string count = std::to_string(objects.size() + 1), start = std::to_string(pdf.size());
  return pdf + "xref\n0 " + count + "\n0000000000 65535 f \n" + xref + "trailer\n<< /Size " + count +
         " /Root 1 0 R >>\nstartxref\n" + start + "\n%%EOF\n";
}

}  // namespace kv71p::test
