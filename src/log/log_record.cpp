#include "log/log_record.h"

namespace {

const char kRecordEnd[] = "]LOG]!>";

// Appends `value` with at least `width` digits, zeros in front.
void AppendNumber(std::string& text, unsigned long value, std::size_t width) {
  const std::string digits = std::to_string(value);
  if (digits.size() < width) text.append(width - digits.size(), '0');
  text += digits;
}

// Appends `byte` as "<0d>": two hexadecimal digits in angle brackets, which
// Windows forbids in names, so the escape is never part of a path.
void AppendEscape(std::string& text, unsigned char byte) {
  static const char kDigits[] = "0123456789abcdef";
  text += '<';
  text += kDigits[byte >> 4];
  text += kDigits[byte & 0xF];
  text += '>';
}

// `text` with each control character escaped, and, for a CMTrace record, the
// ">" of each "]LOG]!>" in it too.
std::string Escaped(const std::string& text, LogFormat format) {
  std::string escaped;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    const std::size_t endLength = sizeof kRecordEnd - 1;
    const bool recordEnd =
        format == LogFormat::CMTrace && byte == '>' && i + 1 >= endLength &&
        text.compare(i + 1 - endLength, endLength, kRecordEnd) == 0;
    if (byte < 0x20 || byte == 0x7F || recordEnd) {
      AppendEscape(escaped, byte);
    } else {
      escaped += text[i];
    }
  }
  return escaped;
}

// "11:22:33.456"
std::string ClockTime(const LogMoment& moment) {
  std::string time;
  AppendNumber(time, moment.hour, 2);
  time += ':';
  AppendNumber(time, moment.minute, 2);
  time += ':';
  AppendNumber(time, moment.second, 2);
  time += '.';
  AppendNumber(time, moment.milliseconds, 3);
  return time;
}

}  // namespace

std::string FormatLogLine(LogFormat format, const LogMoment& moment,
                          unsigned long processId, LogSeverity severity,
                          const std::string& text) {
  std::string line;
  if (format == LogFormat::Plain) {
    AppendNumber(line, moment.year, 4);
    line += '-';
    AppendNumber(line, moment.month, 2);
    line += '-';
    AppendNumber(line, moment.day, 2);
    line += ' ' + ClockTime(moment) + " [" + std::to_string(processId) + "] " +
            Escaped(text, format) + "\r\n";
    return line;
  }
  line = "<![LOG[" + Escaped(text, format) + kRecordEnd + "<time=\"" +
         ClockTime(moment) + (moment.biasMinutes < 0 ? '-' : '+');
  AppendNumber(
      line,
      static_cast<unsigned long>(moment.biasMinutes < 0 ? -moment.biasMinutes
                                                        : moment.biasMinutes),
      3);
  line += "\" date=\"";
  AppendNumber(line, moment.month, 2);
  line += '-';
  AppendNumber(line, moment.day, 2);
  line += '-';
  AppendNumber(line, moment.year, 4);
  line += "\" component=\"upgrade\" context=\"\" type=\"" +
          std::to_string(static_cast<int>(severity)) + "\" thread=\"" +
          std::to_string(processId) + "\" file=\"\">\r\n";
  return line;
}
