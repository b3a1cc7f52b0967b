// The command line as CUPS gives it to a backend (man 7 backend):
//   vexbackend                                          list the printers
//   vexbackend job user title copies options [file]     print a job
// with the device URI in DEVICE_URI (else argv[0]), and the job's settings
// from the environment.
#pragma once

#include <chrono>
#include <string>

namespace kv71p::backend {

enum class Invocation {
  Discovery,  // no arguments
  Job,        // a job's arguments, checked
  Usage,      // a wrong count: the usage line, then CUPS_BACKEND_FAILED
  Refused,    // a job whose arguments or URI cannot be used: `problem` says why
};

struct JobArguments {
  std::string jobId;  // digits only: it names the per-job file
  int copies = 1;     // copies made by the backend: only with a file argument
  std::string file;   // the print data; empty: standard input
  std::string deviceUri;
  std::string serialNo;  // the printer's, in the suite's form, usable
};

Invocation ParseArguments(int argc, char* argv[], JobArguments* job, std::string* problem);

// The serial number of a device URI: the text after "serial=", percent
// escapes decoded, in the suite's form (spaces as "%20"), refused unless
// IsUsableSerialNumber holds for it. False with `problem` set when the URI
// names no printer of the suite or its serial number is refused.
bool SerialNumberFromUri(const std::string& uri, std::string* serialNo, std::string* problem);

// How long a printer that is absent, or went away, is waited for before
// the job is handed back to CUPS (CUPS_BACKEND_RETRY): 300 s, or
// KV71P_RECONNECT_SECONDS (a whole number of seconds, 0 and up).
std::chrono::milliseconds ReconnectBound();

}  // namespace kv71p::backend
