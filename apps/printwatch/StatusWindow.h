// The status window: a status group (icon, status text, message), a media
// group (size, sheet counts, gauge with its scale) and three small groups
// for the total count with the refresh button, the serial number and the
// firmware version. Its size is fixed by the font, not by the texts, so the
// layout never jumps when a text changes.
#pragma once

#include <QPixmap>
#include <QWidget>

#include <array>
#include <functional>

#include "apps/printwatch/ShownTexts.h"
#include "apps/printwatch/StatusViews.h"

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace kv71p::printwatch {

class StatusWindow : public QWidget, public StatusViews {
 public:
  StatusWindow();

  void SetText(View view, const std::string& text) override;
  void SetGaugeRange(double minimum, double maximum) override;
  void SetGaugeValue(double value) override;
  void RedrawGauge() override;
  void LoadIcon(StatusIcon icon, const std::string& path) override;
  void ShowIcon(StatusIcon icon) override;

  // What the refresh button does.
  void SetUpdateAction(std::function<void()> action) { updateAction_ = std::move(action); }

  // The texts the window shows now, read back from its widgets (for the
  // test hook, see ShownTexts.h).
  ShownTexts Shown() const;
  StatusIcon shownIcon() const { return shownIcon_; }

 private:
  QGroupBox* NewGroup(const char* name);
  QLabel* NewLabel(const char* name, int lines);

  QGroupBox* statusBox_;
  QLabel* statusIconView_;
  QLabel* statusLabel_;
  QLabel* statusMessageLabel_;
  QGroupBox* mediaInfoBox_;
  QLabel* mediaSizeLabel_;
  QLabel* mediaCountLabel_;
  QProgressBar* progressIndicator_;
  QLabel* percent0Label_;
  QLabel* percent50Label_;
  QLabel* percent100Label_;
  QGroupBox* totalCountBox_;
  QLabel* totalCountLabel_;
  QPushButton* updateButton_;
  QGroupBox* serialNumberBox_;
  QLabel* serialNumberLabel_;
  QGroupBox* firmVersionBox_;
  QLabel* firmVersionLabel_;

  // The twelve status icons, loaded once.
  std::array<QPixmap, kStatusIconCount> icons_;
  StatusIcon shownIcon_ = StatusIcon::Offline;
  bool iconShown_ = false;
  std::function<void()> updateAction_;
};

}  // namespace kv71p::printwatch
