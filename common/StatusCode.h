// The printer's status numbers (the answer to the STATUS query) and the
// message code that goes with each (docs/printer-files.md). The status
// window turns both into texts and icons; the backend and the printer
// application into printer state reasons.
#pragma once

namespace kv71p {

enum StatusCode : int {
  kStatusIdle = 0,
  kStatusPrinting = 1,
  kStatusCooling = 500,        // printing goes on shortly
  kStatusCoolingWait = 510,    // the head cools before the next print
  kStatusStandby = 900,
  kStatusCoverOpen = 1000,
  kStatusNoScrapBox = 1010,
  kStatusPaperEnd = 1100,
  kStatusRibbonEnd = 1200,
  kStatusPaperJam = 1300,
  kStatusRibbonError = 1400,
  kStatusPaperError = 1500,
  kStatusMediaMismatch = 1600,
  kStatusSystemErrorFirst = 2000,  // 2000, 2100 ... 2800, 2610 and 3000:
  kStatusSystemErrorLast = 3000,   // system errors that need the printer restarted
  kStatusUnknown = 99999,          // no status obtained, or the printer is gone
};

// Message codes of the information file's PRINTER_MESSAGE line.
enum MessageCode : int {
  kNoMessage = -1,              // a status number without a message code
  kMessagePrinterGone = 6,      // the message of kStatusUnknown
  kMessageMediaUnknown = 108,   // the loaded media is not recognised
};

struct StatusMessage {
  int status;
  int message;
};

// Every status number the printer reports, with its message code; the last
// row is kStatusUnknown.
inline constexpr StatusMessage kStatusMessages[] = {
    {0, 1},      {1, 2},      {500, 3},    {510, 4},    {900, 5},    {1000, 100}, {1010, 101},
    {1100, 102}, {1200, 103}, {1300, 104}, {1400, 105}, {1500, 106}, {1600, 107}, {2000, 200},
    {2100, 201}, {2200, 202}, {2300, 203}, {2400, 204}, {2500, 205}, {2600, 206}, {2610, 207},
    {2700, 208}, {2800, 209}, {3000, 210}, {99999, 6},
};

// The message code of a status number; kNoMessage for a number the table
// lacks.
int MessageCodeOfStatus(int status);

// True for the system errors (2000 to 3000 in the table).
bool IsSystemError(int status);

}  // namespace kv71p
