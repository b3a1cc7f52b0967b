// The small dialog in which a desktop user picks the KV-71P printer whose
// status window to open.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "apps/watchlauncher/Kv71pQueues.h"

class QListWidget;
class QPushButton;

namespace kv71p::watchlauncher {

class QueuePicker : public QDialog {
 public:
  // One line per queue: its shown name, with the queue name after it when
  // the two differ. The first line is chosen.
  explicit QueuePicker(const std::vector<Kv71pQueue>& queues, QWidget* parent = nullptr);

  // The chosen queue's name; empty when none is chosen.
  std::string ChosenQueue() const;

  QListWidget* list() const { return list_; }
  QPushButton* openButton() const { return open_; }

 private:
  std::vector<Kv71pQueue> queues_;
  QListWidget* list_ = nullptr;
  QPushButton* open_ = nullptr;
};

}  // namespace kv71p::watchlauncher
