// The lines the backend writes to standard error for CUPS, in the forms
// CUPS documents for filters and backends (man 7 filter): DEBUG:, INFO:,
// ERROR: with a message, STATE: with printer-state-reasons keywords, ATTR:
// with printer attributes, PAGE: for each print. Each line goes out in one
// write, so lines of the side-channel thread never mix with the job's.
#pragma once

#include <string>
#include <vector>

namespace kv71p::backend {

// "<prefix>: <text>" as one line; line breaks and other control
// characters in the text (a printer's device ID, say) become spaces.
void Message(const char* prefix, const std::string& text);
inline void Debug(const std::string& text) { Message("DEBUG", text); }
inline void Info(const std::string& text) { Message("INFO", text); }
inline void Error(const std::string& text) { Message("ERROR", text); }

// "STATE: +a,b" (sign '+') or "STATE: -a,b" (sign '-'); nothing for an
// empty list.
void ChangeStateReasons(char sign, const std::vector<std::string>& keywords);

// "ATTR: <name>=<value>"; `value` is written as it stands (see QuotedText).
void SetPrinterAttribute(const std::string& name, const std::string& value);

// A text value for ATTR: in double quotes, with backslashes and double
// quotes escaped.
std::string QuotedText(const std::string& text);

// "PAGE: <number> <copies>".
void ReportPage(int number, int copies);

}  // namespace kv71p::backend
