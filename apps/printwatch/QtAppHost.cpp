#include "apps/printwatch/QtAppHost.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdlib>

#include "apps/printwatch/AppDelegate.h"
#include "apps/printwatch/PrinterList.h"
#include "apps/printwatch/StatusWindow.h"

namespace kv71p::printwatch {

namespace {

// How long a cycle waits for the printer list: a scheduler that answers
// answers in milliseconds, and half the cycle is left for the rest.
constexpr std::chrono::milliseconds kPrinterListWait(500);

}  // namespace

QtAppHost::QtAppHost(std::vector<std::string> arguments, QString resourceFolder,
                     StatusWindow* window)
    : arguments_(std::move(arguments)), resourceFolder_(std::move(resourceFolder)),
      window_(window), printerList_(ListPrinterNames) {
  const char* shown = std::getenv(kShownFileVariable);
  if (shown != nullptr) shownFile_ = shown;
  QObject::connect(&timer_, &QTimer::timeout, [this] { RunCycle(); });
}

std::string QtAppHost::Text(const std::string& key) const {
  return qtTrId(key.c_str()).toUtf8().toStdString();
}

void QtAppHost::StartRepeatingTimer(double seconds) {
  timer_.setInterval(static_cast<int>(seconds * 1000));
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.start();
}

bool QtAppHost::PrinterNames(std::vector<std::string>* names) {
  return printerList_.Names(kPrinterListWait, names);
}

void QtAppHost::Terminate() { QCoreApplication::quit(); }

void QtAppHost::Activate() {
  window_->raise();
  window_->activateWindow();
}

void QtAppHost::RunCycle() {
  if (delegate_ != nullptr) delegate_->runPeriodicCycle();
  ++cycles_;
  WriteShownTexts();
}

void QtAppHost::WriteShownTexts() {
  if (shownFile_.empty()) return;
  ShownTexts texts = window_->Shown();
  texts.insert(texts.begin(), {"CYCLE", std::to_string(cycles_)});
  WriteShownTextsFile(shownFile_, texts);
}

QString ApplicationResourceFolder() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../Resources");
}

}  // namespace kv71p::printwatch
