#include "tools/decoder/BlockText.h"

#include <cinttypes>
#include <cstdio>

#include "tools/decoder/PlaneImage.h"

namespace kv71p {

namespace {

void AppendByte(std::string& out, unsigned char c) {
  if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
    out += static_cast<char>(c);
  } else {
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02x", c);
    out += text;
  }
}

}  // namespace

std::string FieldText(const unsigned char* field, size_t size) {
  while (size > 0 && field[size - 1] == ' ') --size;
  std::string out;
  for (size_t i = 0; i < size; ++i) AppendByte(out, field[i]);
  return out;
}

std::string BlockTitle(const unsigned char* header) {
  std::string title = FieldText(header + kCmdNameOffset, kCmdNameSize);
  const std::string parameter = FieldText(header + kCmdParamOffset, kCmdParamSize);
  if (!parameter.empty()) title += " " + parameter;
  return title;
}

std::string QuotedText(const unsigned char* data, size_t size) {
  std::string out = "\"";
  for (size_t i = 0; i < size; ++i) AppendByte(out, data[i]);
  return out + "\"";
}

std::string DescribeBlock(const StreamBlock& block) {
  char head[96];
  const std::string name = block.name();
  const std::string parameter = block.parameter();
  const std::string length = block.hasData() ? std::to_string(block.dataLength()) : "-";
  std::snprintf(head, sizeof head, "%10" PRIu64 "  %-6s %-16s %9s", block.offset, name.c_str(),
                parameter.c_str(), length.c_str());
  std::string line = head;
  if (!block.hasData()) return line;
  if (block.entry != nullptr && block.entry->data == CmdData::BmpPlane) {
    PlaneImage plane;
    char text[96];
    if (ReadPlaneImage(block, &plane)) {
      std::snprintf(text, sizeof text, "  BMP %dx%d, 8-bit grey, %dx%d dpi", plane.width,
                    plane.height, plane.dpiX, plane.dpiY);
      line += text;
    }
    return line;
  }
  return line + "  " + QuotedText(block.data(), block.dataLength());
}

}  // namespace kv71p
