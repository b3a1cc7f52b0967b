#include "apps/printwatch/StatusWindow.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kv71p::printwatch {

namespace {

// Pixel size at which the status icons are shown (and drawn).
constexpr int kIconSize = 64;
// Lines reserved for the message: its own text and the "media not
// recognised" line, each of which may wrap once.
constexpr int kMessageLines = 3;

QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

// A group title shows every character as it is (no mnemonic).
QString TitleText(const std::string& text) { return FromUtf8(text).replace("&", "&&"); }

std::string FromTitle(const QString& title) {
  QString text = title;
  return ToUtf8(text.replace("&&", "&"));
}

}  // namespace

QGroupBox* StatusWindow::NewGroup(const char* name) {
  auto* box = new QGroupBox(this);
  box->setObjectName(name);
  return box;
}

QLabel* StatusWindow::NewLabel(const char* name, int lines) {
  auto* label = new QLabel(this);
  label->setObjectName(name);
  // Texts from the printer are shown as they stand, never as markup.
  label->setTextFormat(Qt::PlainText);
  // Long texts are cut at the window's edge instead of widening it.
  label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  label->setFixedHeight(fontMetrics().lineSpacing() * lines + 2);
  return label;
}

StatusWindow::StatusWindow() {
  setObjectName("window");
  const QFontMetrics fm = fontMetrics();

  // Status: icon beside the status text and the message.
  statusBox_ = NewGroup("statusBox");
  statusIconView_ = new QLabel(this);
  statusIconView_->setObjectName("statusIconView");
  statusIconView_->setFixedSize(kIconSize, kIconSize);
  statusIconView_->setAlignment(Qt::AlignCenter);
  statusLabel_ = NewLabel("statusLabel", 1);
  QFont bold = statusLabel_->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  statusLabel_->setFont(bold);
  statusLabel_->setFixedHeight(QFontMetrics(bold).lineSpacing() + 2);
  statusMessageLabel_ = NewLabel("statusMessageLabel", kMessageLines);
  statusMessageLabel_->setWordWrap(true);
  statusMessageLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* statusTexts = new QVBoxLayout;
  statusTexts->addWidget(statusLabel_);
  statusTexts->addWidget(statusMessageLabel_);
  statusTexts->addStretch(1);
  auto* statusRow = new QHBoxLayout(statusBox_);
  statusRow->addWidget(statusIconView_, 0, Qt::AlignTop);
  statusRow->addSpacing(fm.averageCharWidth());
  statusRow->addLayout(statusTexts, 1);

  // Media: size, counts, gauge and its scale.
  mediaInfoBox_ = NewGroup("mediaInfoBox");
  mediaSizeLabel_ = NewLabel("mediaSizeLabel", 1);
  mediaCountLabel_ = NewLabel("mediaCountLabel", 1);
  progressIndicator_ = new QProgressBar(this);
  progressIndicator_->setObjectName("progressIndicator");
  progressIndicator_->setTextVisible(false);
  progressIndicator_->setRange(0, 100);
  progressIndicator_->setValue(0);
  percent0Label_ = NewLabel("percent0Label", 1);
  percent50Label_ = NewLabel("percent50Label", 1);
  percent100Label_ = NewLabel("percent100Label", 1);
  percent0Label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  percent50Label_->setAlignment(Qt::AlignCenter);
  percent100Label_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* scale = new QGridLayout;
  scale->setContentsMargins(0, 0, 0, 0);
  scale->addWidget(percent0Label_, 0, 0);
  scale->addWidget(percent50Label_, 0, 1);
  scale->addWidget(percent100Label_, 0, 2);
  for (int column = 0; column < 3; ++column) scale->setColumnStretch(column, 1);
  auto* media = new QVBoxLayout(mediaInfoBox_);
  media->addWidget(mediaSizeLabel_);
  media->addWidget(mediaCountLabel_);
  media->addSpacing(fm.lineSpacing() / 3);
  media->addWidget(progressIndicator_);
  media->addLayout(scale);

  // Total count with the refresh button, serial number, firmware version.
  totalCountBox_ = NewGroup("totalCountBox");
  totalCountLabel_ = NewLabel("totalCountLabel", 1);
  updateButton_ = new QPushButton(this);
  updateButton_->setObjectName("updateButton");
  updateButton_->setAutoDefault(false);
  connect(updateButton_, &QPushButton::clicked, this, [this] {
    if (updateAction_) updateAction_();
  });
  auto* total = new QHBoxLayout(totalCountBox_);
  total->addWidget(totalCountLabel_, 1);
  total->addWidget(updateButton_, 0);
  serialNumberBox_ = NewGroup("serialNumberBox");
  serialNumberLabel_ = NewLabel("serialNumberLabel", 1);
  (new QVBoxLayout(serialNumberBox_))->addWidget(serialNumberLabel_);
  firmVersionBox_ = NewGroup("firmVersionBox");
  firmVersionLabel_ = NewLabel("firmVersionLabel", 1);
  (new QVBoxLayout(firmVersionBox_))->addWidget(firmVersionLabel_);
  for (QLabel* label : {totalCountLabel_, serialNumberLabel_, firmVersionLabel_}) {
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  // The button's height is the row's height.
  for (QGroupBox* box : {serialNumberBox_, firmVersionBox_}) {
    box->layout()->setContentsMargins(total->contentsMargins());
  }
  auto* counters = new QHBoxLayout;
  counters->addWidget(totalCountBox_, 4);
  counters->addWidget(serialNumberBox_, 3);
  counters->addWidget(firmVersionBox_, 3);

  auto* window = new QVBoxLayout(this);
  window->addWidget(statusBox_);
  window->addWidget(mediaInfoBox_);
  window->addLayout(counters);

  // The size follows the font only: wide enough for the longest count text
  // and message line of both languages, as high as the layout needs.
  const int width = std::max(460, 36 * fm.averageCharWidth() + fm.height() * 12);
  setMinimumWidth(width);
  resize(width, sizeHint().height());
  setFixedHeight(sizeHint().height());
}

void StatusWindow::SetText(View view, const std::string& text) {
  const QString value = FromUtf8(text);
  auto set = [&](QLabel* label) {
    label->setText(value);
    // The whole text when the window cuts it.
    label->setToolTip(value);
  };
  switch (view) {
    case View::window:
      setWindowTitle(value);
      break;
    case View::statusBox:
      statusBox_->setTitle(TitleText(text));
      break;
    case View::mediaInfoBox:
      mediaInfoBox_->setTitle(TitleText(text));
      break;
    case View::totalCountBox:
      totalCountBox_->setTitle(TitleText(text));
      break;
    case View::serialNumberBox:
      serialNumberBox_->setTitle(TitleText(text));
      break;
    case View::firmVersionBox:
      firmVersionBox_->setTitle(TitleText(text));
      break;
    case View::updateButton:
      updateButton_->setText(value);
      break;
    case View::statusLabel:
      set(statusLabel_);
      break;
    case View::statusMessageLabel:
      set(statusMessageLabel_);
      break;
    case View::mediaSizeLabel:
      set(mediaSizeLabel_);
      break;
    case View::mediaCountLabel:
      set(mediaCountLabel_);
      break;
    case View::percent0Label:
      set(percent0Label_);
      break;
    case View::percent50Label:
      set(percent50Label_);
      break;
    case View::percent100Label:
      set(percent100Label_);
      break;
    case View::totalCountLabel:
      set(totalCountLabel_);
      break;
    case View::serialNumberLabel:
      set(serialNumberLabel_);
      break;
    case View::firmVersionLabel:
      set(firmVersionLabel_);
      break;
  }
}

void StatusWindow::SetGaugeRange(double minimum, double maximum) {
  progressIndicator_->setRange(static_cast<int>(minimum), static_cast<int>(maximum));
}

void StatusWindow::SetGaugeValue(double value) {
  // A bar ignores values outside its range; beyond it the bar is empty or full.
  const double bounded = std::clamp(value, static_cast<double>(progressIndicator_->minimum()),
                                    static_cast<double>(progressIndicator_->maximum()));
  progressIndicator_->setValue(static_cast<int>(std::trunc(bounded)));
}

void StatusWindow::RedrawGauge() { progressIndicator_->repaint(); }

void StatusWindow::LoadIcon(StatusIcon icon, const std::string& path) {
  QPixmap image;
  image.load(FromUtf8(path), "PNG");
  icons_[static_cast<size_t>(icon)] = image;
}

void StatusWindow::ShowIcon(StatusIcon icon) {
  shownIcon_ = icon;
  iconShown_ = true;
  const QPixmap& image = icons_[static_cast<size_t>(icon)];
  if (image.isNull()) {
    statusIconView_->clear();
  } else {
    statusIconView_->setPixmap(image);
  }
}

ShownTexts StatusWindow::Shown() const {
  return {
      {"TITLE", ToUtf8(windowTitle())},
      {"STATUS", ToUtf8(statusLabel_->text())},
      {"STATUS_ICON", iconShown_ ? IconName(shownIcon_) : ""},
      {"MESSAGE", ToUtf8(statusMessageLabel_->text())},
      {"MEDIA_TITLE", FromTitle(mediaInfoBox_->title())},
      {"MEDIA_SIZE", ToUtf8(mediaSizeLabel_->text())},
      {"MEDIA_COUNT", ToUtf8(mediaCountLabel_->text())},
      {"GAUGE", std::to_string(progressIndicator_->value())},
      {"TOTAL_COUNT", ToUtf8(totalCountLabel_->text())},
      {"SERIAL_NO", ToUtf8(serialNumberLabel_->text())},
      {"FIRM_VERSION", ToUtf8(firmVersionLabel_->text())},
  };
}

}  // namespace kv71p::printwatch
