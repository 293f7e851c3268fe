// FormatDateTime and the date-time texts of the settings (declared in
// DateTime.h).
#include <charconv>
#include <cstring>

#include "platform/text/DateTime.h"

namespace tv {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool StartsWithNoCase(std::string_view s, size_t at, std::string_view word) {
  if (s.size() - at < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (Upper(s[at + i]) != Upper(word[i])) return false;
  return true;
}

class DateTimeWriter {
 public:
  DateTimeWriter(TDateTime v, const TFormatSettings& fs) : value_(v), fs_(fs) {
    DecodeDate(v, year_, month_, day_);
    DecodeTime(v, hour_, minute_, second_, msec_);
  }

  std::string Write(std::string_view fmt) {
    Append(fmt.empty() ? std::string_view("C") : fmt, 0);
    return std::move(out_);
  }

 private:
  // Nested pictures (c, t, ddddd) are expanded two levels deep at most, so
  // a settings record that refers to itself cannot loop.
  void Append(std::string_view f, int level) {
    if (level > 2) return;
    char lastLetter = 0;
    size_t i = 0;
    while (i < f.size()) {
      char starter = f[i];
      char token = Upper(starter);
      size_t count = 1;
      while (i + count < f.size() && f[i + count] == starter) ++count;
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastLetter == 'H') token = 'N';
        lastLetter = token;
      }
      i = Token(f, i, token, count, level);
    }
  }

  // Writes the token at f[i] (`count` equal characters) and returns the
  // position after what it consumed.
  size_t Token(std::string_view f, size_t i, char token, size_t count, int level) {
    switch (token) {
      case 'Y':
        Number(count <= 2 ? year_ % 100 : year_, count <= 2 ? 2 : 4);
        return i + count;
      case 'M':
        if (count <= 2) {
          Number(month_, static_cast<int>(count));
        } else {
          out_ += count == 3 ? Name(fs_.ShortMonthNames, month_ - 1)
                             : Name(fs_.LongMonthNames, month_ - 1);
        }
        return i + count;
      case 'D':
        Day(count, level);
        return i + count;
      case 'H':
        Number(Use12HourClock(f, i + count) ? Hour12() : hour_,
               count > 2 ? 2 : static_cast<int>(count));
        return i + count;
      case 'N':
        Number(minute_, count > 2 ? 2 : static_cast<int>(count));
        return i + count;
      case 'S':
        Number(second_, count > 2 ? 2 : static_cast<int>(count));
        return i + count;
      case 'Z':
        Number(msec_, count > 3 ? 3 : static_cast<int>(count));
        return i + count;
      case 'T':
        Append(count == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat, level + 1);
        return i + count;
      case 'C':
        Append(fs_.ShortDateFormat, level + 1);
        if (hour_ != 0 || minute_ != 0 || second_ != 0) {
          out_ += ' ';
          Append(fs_.LongTimeFormat, level + 1);
        }
        return i + count;
      case 'A':
        return AmPm(f, i);
      case '/':
        if (fs_.DateSeparator != '\0') out_ += fs_.DateSeparator;
        return i + 1;
      case ':':
        if (fs_.TimeSeparator != '\0') out_ += fs_.TimeSeparator;
        return i + 1;
      case '"':
      case '\'': {
        size_t close = f.find(f[i], i + 1);
        if (close == std::string_view::npos) close = f.size();
        out_.append(f.substr(i + 1, close - i - 1));
        return close == f.size() ? close : close + 1;
      }
      default:
        out_ += f[i];
        return i + 1;
    }
  }

  void Day(size_t count, int level) {
    switch (count) {
      case 1:
      case 2:
        Number(day_, static_cast<int>(count));
        break;
      case 3:
        out_ += Name(fs_.ShortDayNames, DayOfWeek(value_) - 1);
        break;
      case 4:
        out_ += Name(fs_.LongDayNames, DayOfWeek(value_) - 1);
        break;
      case 5:
        Append(fs_.ShortDateFormat, level + 1);
        break;
      default:
        Append(fs_.LongDateFormat, level + 1);
        break;
    }
  }

  size_t AmPm(std::string_view f, size_t i) {
    if (StartsWithNoCase(f, i, "am/pm")) {
      out_.append(f.substr(hour_ >= 12 ? i + 3 : i, 2));
      return i + 5;
    }
    if (StartsWithNoCase(f, i, "a/p")) {
      out_ += f[hour_ >= 12 ? i + 2 : i];
      return i + 3;
    }
    if (StartsWithNoCase(f, i, "ampm")) {
      out_ += hour_ < 12 ? fs_.TimeAMString : fs_.TimePMString;
      return i + 4;
    }
    if (StartsWithNoCase(f, i, "aaaa")) {
      out_ += Name(fs_.LongDayNames, DayOfWeek(value_) - 1);
      return i + 4;
    }
    if (StartsWithNoCase(f, i, "aaa")) {
      out_ += Name(fs_.ShortDayNames, DayOfWeek(value_) - 1);
      return i + 3;
    }
    out_ += f[i];
    return i + 1;
  }

  // An am/pm marker between this hour and the next one switches the hour
  // to the 12-hour clock.
  static bool Use12HourClock(std::string_view f, size_t from) {
    bool quoted = false;
    char quote = 0;
    for (size_t p = from; p < f.size(); ++p) {
      char c = f[p];
      if (quoted) {
        if (c == quote) quoted = false;
      } else if (c == '"' || c == '\'') {
        quoted = true;
        quote = c;
      } else if (c == 'h' || c == 'H') {
        return false;
      } else if (c == 'a' || c == 'A') {
        return StartsWithNoCase(f, p, "am/pm") || StartsWithNoCase(f, p, "a/p") ||
               StartsWithNoCase(f, p, "ampm");
      }
    }
    return false;
  }

  int Hour12() const { return hour_ == 0 ? 12 : (hour_ > 12 ? hour_ - 12 : hour_); }

  template <size_t N>
  static const std::string& Name(const std::array<std::string, N>& names, int index) {
    static const std::string kEmpty;
    return index >= 0 && static_cast<size_t>(index) < N ? names[index] : kEmpty;
  }

  void Number(int v, int digits) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    const int size = static_cast<int>(r.ptr - buf);
    if (size < digits) out_.append(digits - size, '0');
    out_.append(buf, r.ptr);
  }

  TDateTime value_;
  const TFormatSettings& fs_;
  int year_, month_, day_, hour_, minute_, second_, msec_;
  std::string out_;
};

}  // namespace

std::string FormatDateTime(std::string_view fmt, TDateTime v, const TFormatSettings& fs) {
  return DateTimeWriter(v, fs).Write(fmt);
}

std::string DateToStr(TDateTime v, const TFormatSettings& fs) {
  return FormatDateTime("ddddd", v, fs);
}

std::string TimeToStr(TDateTime v, const TFormatSettings& fs) {
  return FormatDateTime("tt", v, fs);
}

std::string DateTimeToStr(TDateTime v, const TFormatSettings& fs) {
  return FormatDateTime("c", v, fs);
}

}  // namespace tv
