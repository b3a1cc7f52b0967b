// The controller's mapping of codes to texts and icons: status, message,
// media size, half-size name and the media class in the media group title.
#include "apps/printwatch/AppDelegate.h"
#include "common/StatusCode.h"
#include "common/TextHelpers.h"

namespace kv71p::printwatch {

void AppDelegate::setIconImage() {
  for (int i = 0; i < kStatusIconCount; ++i) {
    const StatusIcon icon = static_cast<StatusIcon>(i);
    views_->LoadIcon(icon, m_bundle + "/" + IconFileName(icon));
  }
}

int AppDelegate::getStatus() {
  if (m_statusStr_Log.empty()) {
    m_statusStr = Text(StatusKey(kStatusUnknown));
    m_stsImg = StatusIcon::Offline;
    return kStatusUnknown;
  }
  const int code = ParseInt(m_statusStr_Log.c_str());
  StatusIcon icon;
  if (FindStatusIcon(code, &icon)) {
    m_statusStr = Text(StatusKey(code));
    m_stsImg = icon;
  }
  // A code the table lacks keeps what the last cycle showed.
  return code;
}

void AppDelegate::setStatusMessageString() {
  m_messageStr.clear();
  if (m_messageStr_Log.empty()) return;
  const int code = ParseInt(m_messageStr_Log.c_str());
  if (HasMessageText(code)) m_messageStr = Text(MessageKey(code));
}

int AppDelegate::getMediaSizeString(int model) {
  m_sizeStr = "---";
  if (m_sizeStr_Log.empty()) return 0;
  const MediaSizeRow* row = FindMediaSize(model, ParseInt(m_sizeStr_Log.c_str()));
  if (row == nullptr) return 0;
  m_sizeStr = Text(row->key);
  return row->code;
}

bool AppDelegate::getHalfMediaSizeString(int model) {
  m_halfSizeStr.clear();
  if (m_sizeStr_Log.empty()) return true;
  const MediaSizeRow* row = FindMediaSize(model, ParseInt(m_sizeStr_Log.c_str()));
  if (row == nullptr) return false;
  m_halfSizeStr = row->halfSize;
  return true;
}

void AppDelegate::setMediaGroupTitle() {
  const std::string title = Text("mediaGroupTitle");
  const char* classKey =
      m_mediaClassStr_Log.empty() ? nullptr : MediaClassKey(ParseLong(m_mediaClassStr_Log.c_str()));
  views_->SetText(View::mediaInfoBox,
                  classKey == nullptr ? title + "[ --- ]" : title + "[ " + Text(classKey) + " ]");
}

}  // namespace kv71p::printwatch
