#include "apps/watchlauncher/QueuePicker.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv71p::watchlauncher {

namespace {

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<int>(text.size())); }

}  // namespace

QueuePicker::QueuePicker(const std::vector<Kv71pQueue>& queues, QWidget* parent)
    : QDialog(parent), queues_(queues) {
  //% "KV-71P printer status"
  setWindowTitle(qtTrId("pickerTitle"));
  auto* layout = new QVBoxLayout(this);
  //% "Choose the printer whose status you want to see:"
  layout->addWidget(new QLabel(qtTrId("pickerPrompt"), this));

  list_ = new QListWidget(this);
  for (const Kv71pQueue& q : queues_) {
    QString line = Utf8(q.name);
    if (q.name != q.queue) line += QStringLiteral("  (%1)").arg(Utf8(q.queue));
    list_->addItem(line);
  }
  if (list_->count() > 0) list_->setCurrentRow(0);
  layout->addWidget(list_);

  auto* buttons = new QDialogButtonBox(this);
  //% "Open"
  open_ = buttons->addButton(qtTrId("pickerOpen"), QDialogButtonBox::AcceptRole);
  open_->setDefault(true);
  //% "Cancel"
  buttons->addButton(qtTrId("pickerCancel"), QDialogButtonBox::RejectRole);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(list_, &QListWidget::itemActivated, this, &QDialog::accept);
  connect(list_, &QListWidget::currentRowChanged, this,
          [this](int row) { open_->setEnabled(row >= 0); });
}

std::string QueuePicker::ChosenQueue() const {
  const int row = list_->currentRow();
  if (row < 0 || static_cast<size_t>(row) >= queues_.size()) return {};
  return queues_[static_cast<size_t>(row)].queue;
}

}  // namespace kv71p::watchlauncher
