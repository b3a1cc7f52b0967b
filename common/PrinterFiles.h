// The files through which the suite's programs talk in the cache folder
// (docs/printer-files.md): the printer information file, the per-job file
// and the flag files, all named after the printer's serial number in the
// suite's form (common/SerialNumber.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kv71p {

// The model name that begins every per-printer file name.
inline constexpr char kModelName[] = "KV-71P";

// The KEY="value" lines of the information file, in file order; the
// per-job file has the same lines.
namespace infokey {
inline constexpr char kModel[] = "MODEL";
inline constexpr char kPrinterStatus[] = "PRINTER_STATUS";
inline constexpr char kPrinterMessage[] = "PRINTER_MESSAGE";
inline constexpr char kPrinterVersion[] = "PRINTER_VERSION";
inline constexpr char kPrinterSerialNo[] = "PRINTER_SERIAL_NO";
inline constexpr char kMediaSize[] = "MEDIA_SIZE";
inline constexpr char kMediaClass[] = "MEDIA_CLASS";
inline constexpr char kMediaInitial[] = "MEDIA_INITIAL";
inline constexpr char kMediaRemain[] = "MEDIA_REMAIN";
inline constexpr char kMediaRemainHalf[] = "MEDIA_REMAIN_HALF";
inline constexpr char kTotalCount[] = "TOTAL_COUNT";
}  // namespace infokey

// The section lines that head the three groups of keys.
inline constexpr char kPrinterSection[] = "#PRINTER_INFORMATION";
inline constexpr char kMediaSection[] = "#MEDIA_INFORMATION";
inline constexpr char kCounterSection[] = "#COUNTER_INFORMATION";

// "KV-71P_<serial>.log": the information file of one printer, and its
// path in the cache folder.
std::string InformationFileName(const std::string& serialNo);
std::string InformationFilePath(const std::string& serialNo);

// "Print_<job-id>.log": the per-job file of one CUPS job.
std::string PerJobFileName(const std::string& jobId);

// The empty flag files with which other programs ask the printer's owner
// for fresh data. Each has a bit of its own; the values are the bits.
enum class FlagFile : uint32_t {
  PrintDialog = 1,            // "KV-71P_<serial>_PDE_": a print dialog is open
  PrintDialogTotalCount = 2,  // "KV-71P_<serial>_TC_PDE": the dialog asks for the total count
  WindowOpen = 4,             // "KV-71P_<serial>_UTIL": a status window is open
  WindowTotalCount = 8,       // "KV-71P_<serial>_TC_UTIL": the user asked for a refresh
  WindowStarted = 16,         // "KV-71P_<serial>_START_UTIL": a status window has started
};

inline constexpr uint32_t FlagBit(FlagFile flag) { return static_cast<uint32_t>(flag); }

struct FlagFileRule {
  FlagFile flag;
  const char* suffix;  // behind "KV-71P_<serial>"
  bool oneShot;        // removed by the printer's owner when found
};

// Every flag file, in bit order.
inline constexpr FlagFileRule kFlagFileRules[] = {
    {FlagFile::PrintDialog, "_PDE_", false},
    {FlagFile::PrintDialogTotalCount, "_TC_PDE", true},
    {FlagFile::WindowOpen, "_UTIL", false},
    {FlagFile::WindowTotalCount, "_TC_UTIL", true},
    {FlagFile::WindowStarted, "_START_UTIL", true},
};

// "KV-71P_<serial>" and the flag's suffix.
std::string FlagFileName(FlagFile flag, const std::string& serialNo);

// The status window and its launcher format a flag's path into a buffer of
// this size: a path that would not fit (more than 127 characters) names no
// flag.
inline constexpr size_t kFlagPathBufferSize = 128;

// "<cache folder>/" and the flag's name; false (and no path) when the path
// would not fit kFlagPathBufferSize.
bool FlagFilePath(FlagFile flag, const std::string& serialNo, std::string* path);

}  // namespace kv71p
