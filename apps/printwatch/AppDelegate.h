// The controller of the status window: once a second it checks that the
// printer is still known to the print system, re-reads the printer's
// information file and turns its values into the texts, icon and gauge the
// window shows. It tells the status service through flag files that a
// window is open, that it has started, and that the user asked for a fresh
// total count.
//
// The controller is plain C++: it reaches the window through StatusViews and
// the application framework through AppHost, so tests drive it without a
// window and the Qt part only shows what it decides.
#pragma once

#include <string>

#include "apps/printwatch/InfoFileReader.h"
#include "apps/printwatch/StatusTables.h"
#include "apps/printwatch/StatusViews.h"

namespace kv71p::printwatch {

class AppDelegate : public InfoFileValues {
 public:
  // init: model code 2, every string empty, nothing set up yet.
  AppDelegate(AppHost* host, StatusViews* views);
  AppDelegate(const AppDelegate&) = delete;
  AppDelegate& operator=(const AppDelegate&) = delete;

  // Life cycle, in the order the application calls them.
  void applicationWillFinishLaunching();  // set-up of the window and the timer
  void applicationDidFinishLaunching();   // start flag, window to the front
  void runPeriodicCycle();                // the timer's cycle, once a second
  void updateStatus();                    // texts, counts and gauge from the values
  void updateUI(int percent);             // everything to the views
  void updateButtonPushed();              // total-count refresh flag
  bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }
  void applicationWillTerminate();        // removes the window flag

  // Codes to texts and icons (AppDelegateTexts.cpp).
  void setIconImage();
  int getStatus();                        // status code, kStatusUnknown when none
  void setStatusMessageString();          // m_messageStr from the message code
  int getMediaSizeString(int model);      // size code, 0 when not in the table
  bool getHalfMediaSizeString(int model); // false for a size the table lacks
  void setMediaGroupTitle();

  // The raw values of the information file are the inherited m_..._Log
  // members. Derived values:
  int m_model = kModelCode;
  StatusIcon m_stsImg = StatusIcon::Offline;  // icon currently chosen
  std::string m_bundle;        // resource folder
  std::string m_argSerialNo;   // argument 1
  std::string m_windowTitle;   // argument 2, the printer name
  std::string m_logFilePath;   // information file; empty until set up
  std::string m_statusStr;     // status text
  std::string m_messageStr;    // message text, maybe with the unknown-media line
  std::string m_sizeStr;       // media size text
  std::string m_halfSizeStr;   // half-size name, empty when none
  std::string m_totalCountStr; // last non-empty total count seen
  std::string m_sheetCountStr; // sheet-count text

 private:
  std::string Text(const std::string& key) const { return host_->Text(key); }
  // False when the print system lists no printer of the window's name.
  bool PrinterStillListed();
  std::string ArgumentSerialNo() const;

  AppHost* host_;
  StatusViews* views_;
};

// The gauge value for `remain` of `initial` sheets: the quotient in single
// precision, times 100.0, truncated toward zero (1 of 3 gives 33). Values
// beyond the int range saturate. `initial` must not be 0.
int GaugePercent(int remain, int initial);

}  // namespace kv71p::printwatch
