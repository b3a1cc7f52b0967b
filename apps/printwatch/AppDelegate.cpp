#include "apps/printwatch/AppDelegate.h"

#include <chrono>
#include <climits>
#include <thread>

#include "apps/printwatch/FlagFiles.h"
#include "common/CacheFolder.h"
#include "common/StatusCode.h"
#include "common/TextHelpers.h"

namespace kv71p::printwatch {

namespace {

// The single retry of a read that hit the file while it was rewritten.
constexpr std::chrono::milliseconds kReReadDelay(100);

constexpr const char* kNoValue = "---";
constexpr const char* kNoClass = "[ --- ]";

}  // namespace

int GaugePercent(int remain, int initial) {
  const float quotient = static_cast<float>(remain) / static_cast<float>(initial);
  const double percent = static_cast<double>(quotient) * 100.0;
  if (percent >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (percent <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(percent);
}

AppDelegate::AppDelegate(AppHost* host, StatusViews* views) : host_(host), views_(views) {}

std::string AppDelegate::ArgumentSerialNo() const {
  const std::vector<std::string> args = host_->Arguments();
  return args.size() > 1 ? args[1] : std::string();
}

void AppDelegate::applicationWillFinishLaunching() {
  const std::vector<std::string> args = host_->Arguments();
  m_argSerialNo = args.size() > 1 ? args[1] : std::string();
  m_windowTitle = args.size() > 2 ? args[2] : std::string();
  views_->SetText(View::window, m_windowTitle);

  m_bundle = host_->ResourceFolder();
  setIconImage();
  m_stsImg = StatusIcon::Offline;

  m_logFilePath = InformationFilePath(m_argSerialNo);

  views_->SetGaugeRange(0.0, 100.0);
  views_->SetText(View::percent0Label, Text("percent0"));
  views_->SetText(View::percent50Label, Text("percent50"));
  views_->SetText(View::percent100Label, Text("percent100"));

  views_->SetText(View::statusBox, Text("statusGroupTitle"));
  views_->SetText(View::totalCountBox, Text("totalCountGroupTitle"));
  views_->SetText(View::serialNumberBox, Text("serialNoGroupTitle"));
  views_->SetText(View::updateButton, Text("update"));
  views_->SetText(View::firmVersionBox, Text("firmVersionGroupTitle"));
  views_->SetText(View::mediaInfoBox, Text("mediaGroupTitle") + kNoClass);

  for (View label : {View::mediaSizeLabel, View::mediaCountLabel, View::statusLabel,
                     View::statusMessageLabel, View::totalCountLabel, View::serialNumberLabel,
                     View::firmVersionLabel}) {
    views_->SetText(label, std::string());
  }

  // The first cycle runs one interval from now.
  host_->StartRepeatingTimer(1.0);
}

void AppDelegate::applicationDidFinishLaunching() {
  CheckAndMake_CacheFolder();
  CreateFlagFile(FlagFile::WindowStarted, ArgumentSerialNo());
  host_->Activate();
}

bool AppDelegate::PrinterStillListed() {
  std::vector<std::string> names;
  // A list that cannot be obtained (no scheduler answers) is no removal.
  if (!host_->PrinterNames(&names)) return true;
  for (const std::string& name : names) {
    if (!name.empty() && name == m_windowTitle) return true;
  }
  return false;
}

void AppDelegate::runPeriodicCycle() {
  if (!PrinterStillListed()) {
    host_->Terminate();
    return;
  }

  std::string text;
  InfoFileRead result = ReadInfoFileText(m_logFilePath, &text);
  if (result == InfoFileRead::Failed) {
    // Probably caught the service in the middle of its rewrite.
    std::this_thread::sleep_for(kReReadDelay);
    result = ReadInfoFileText(m_logFilePath, &text);
  }
  if (result == InfoFileRead::Ok) {
    ApplyInfoFileText(text, this);
  } else {
    StoreOfflineDefaults(this);
  }
  updateStatus();
}

void AppDelegate::updateStatus() {
  setMediaGroupTitle();
  const int size = getMediaSizeString(m_model);
  setStatusMessageString();
  const int status = getStatus();

  // Without ribbon, or without a printer, no print can be made.
  bool countsHidden = status == kStatusRibbonEnd || status == kStatusUnknown;
  if (size == 0 && !countsHidden) {
    m_messageStr = m_messageStr + "\n" + Text(MessageKey(kMessageMediaUnknown));
    countsHidden = true;
  }

  const std::string sheets = Text("sheets");
  const std::string noCounts = std::string("--- / ---  ") + sheets;
  m_sheetCountStr.clear();
  if (m_initialStr_Log.empty() || m_remainStr_Log.empty()) {
    m_sheetCountStr = noCounts;
    updateUI(0);
    return;
  }

  const int initial = ParseInt(m_initialStr_Log.c_str());
  const int remain = countsHidden ? 0 : ParseInt(m_remainStr_Log.c_str());
  int percent = 0;
  if (!getHalfMediaSizeString(m_model)) {
    // An unknown size always hides the counts.
    m_sheetCountStr = noCounts;
  } else if (!m_halfSizeStr.empty()) {
    if (initial == 0) {
      m_sheetCountStr = noCounts + " (---  " + sheets + " : " + m_halfSizeStr + ")";
    } else {
      const int half = countsHidden ? 0 : ParseInt(m_remainHalfStr_Log.c_str());
      m_sheetCountStr = std::to_string(remain) + " / " + std::to_string(initial) + "  " +
                         sheets + " ( " + std::to_string(half) + "  " + sheets + " :  " +
                         m_halfSizeStr + ")";
      percent = GaugePercent(remain, initial);
    }
  } else if (initial == 0) {
    m_sheetCountStr = noCounts;
  } else {
    m_sheetCountStr = std::to_string(remain) + " / " + std::to_string(initial) + "  " + sheets;
    percent = GaugePercent(remain, initial);
  }
  updateUI(percent);
}

void AppDelegate::updateUI(int percent) {
  views_->SetText(View::mediaSizeLabel, m_sizeStr);
  views_->SetText(View::mediaCountLabel, m_sheetCountStr);
  views_->SetGaugeValue(static_cast<double>(percent));

  views_->ShowIcon(m_stsImg);
  views_->SetText(View::statusLabel, m_statusStr);
  views_->SetText(View::statusMessageLabel, m_messageStr);

  std::string total = kNoValue;
  if (!m_totalCountStr_Log.empty()) {
    m_totalCountStr = m_totalCountStr_Log;
    total = std::to_string(ParseLong(m_totalCountStr.c_str()));
  } else if (!m_totalCountStr.empty()) {
    // The service sends the count only when asked; the remembered one stays
    // on screen unless the printer is offline.
    const bool offline = m_statusStr_Log.empty() || ParseInt(m_statusStr_Log.c_str()) == kStatusUnknown;
    if (!offline) total = std::to_string(ParseLong(m_totalCountStr.c_str()));
  }
  views_->SetText(View::totalCountLabel, total);

  views_->SetText(View::serialNumberLabel, m_serialStr_Log.empty() ? kNoValue : m_serialStr_Log);
  views_->SetText(View::firmVersionLabel,
                  m_firmVersion_Log.empty() ? kNoValue : m_firmVersion_Log);
  views_->RedrawGauge();
}

void AppDelegate::updateButtonPushed() {
  CheckAndMake_CacheFolder();
  CreateFlagFile(FlagFile::WindowTotalCount, m_argSerialNo);
}

void AppDelegate::applicationWillTerminate() {
  RemoveFlagFile(FlagFile::WindowOpen, ArgumentSerialNo());
}

}  // namespace kv71p::printwatch
