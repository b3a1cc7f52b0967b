// What the controller needs from the window and from the application
// framework. The Qt window and application implement these; the controller
// itself is plain C++ and runs without either.
#pragma once

#include <string>
#include <vector>

#include "apps/printwatch/StatusTables.h"

namespace kv71p::printwatch {

// The views of the status window, named as the controller knows them.
enum class View {
  window,              // the window (its title)
  statusBox,           // status group
  statusLabel,
  statusMessageLabel,
  mediaInfoBox,        // media group; its title carries the media class
  mediaSizeLabel,
  mediaCountLabel,
  percent0Label,       // scale texts of the gauge
  percent50Label,
  percent100Label,
  totalCountBox,
  totalCountLabel,
  updateButton,
  serialNumberBox,
  serialNumberLabel,
  firmVersionBox,
  firmVersionLabel,
};

class StatusViews {
 public:
  virtual ~StatusViews() = default;
  // The title of the window, a group or the button, or a label's text.
  virtual void SetText(View view, const std::string& text) = 0;
  virtual void SetGaugeRange(double minimum, double maximum) = 0;
  virtual void SetGaugeValue(double value) = 0;
  // Repaints the gauge at once.
  virtual void RedrawGauge() = 0;
  // Loads the image of `icon` from `path`; a file that cannot be loaded
  // leaves the icon empty.
  virtual void LoadIcon(StatusIcon icon, const std::string& path) = 0;
  virtual void ShowIcon(StatusIcon icon) = 0;
};

class AppHost {
 public:
  virtual ~AppHost() = default;
  // The process arguments as given (0: program, 1: serial number, 2: name).
  virtual std::vector<std::string> Arguments() const = 0;
  // The application's resource folder (icons and translations).
  virtual std::string ResourceFolder() const = 0;
  // The text of `key` from the string table; the key itself when missing.
  virtual std::string Text(const std::string& key) const = 0;
  // Starts the repeating timer that calls runPeriodicCycle().
  virtual void StartRepeatingTimer(double seconds) = 0;
  // The names of the print system's printers; false when the list could
  // not be obtained.
  virtual bool PrinterNames(std::vector<std::string>* names) = 0;
  // Ends the application through its normal termination.
  virtual void Terminate() = 0;
  // Brings the application's window to the front.
  virtual void Activate() = 0;
};

}  // namespace kv71p::printwatch
