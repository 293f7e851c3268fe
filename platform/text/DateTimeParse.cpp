// StrToDate, StrToTime, StrToDateTime (declared in DateTime.h).
#include <cmath>

#include "platform/text/DateTime.h"
#include "platform/Exceptions.h"

namespace tv {
namespace {

enum class DateOrder { DMY, MDY, YMD };

DateOrder OrderOf(std::string_view shortDateFormat) {
  for (char c : shortDateFormat) {
    switch (c) {
      case 'd':
      case 'D':
        return DateOrder::DMY;
      case 'm':
      case 'M':
        return DateOrder::MDY;
      case 'y':
      case 'Y':
        return DateOrder::YMD;
      default:
        break;
    }
  }
  return DateOrder::DMY;
}

bool EqualNoCase(char a, char b) {
  auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  return up(a) == up(b);
}

class Scanner {
 public:
  Scanner(std::string_view s, const TFormatSettings& fs) : s_(s), fs_(fs) {}

  bool AtEnd() {
    Blanks();
    return pos_ == s_.size();
  }

  bool Date(TDateTime& out) {
    int n1, n2, n3 = 0, len1, len2, len3 = 0;
    if (!Number(n1, len1) || !Char(fs_.DateSeparator) || !Number(n2, len2)) return false;
    bool hasYear = Char(fs_.DateSeparator);
    if (hasYear && !Number(n3, len3)) return false;
    int y, m, d, yearLen;
    DateOrder order = OrderOf(fs_.ShortDateFormat);
    if (hasYear) {
      if (order == DateOrder::YMD) {
        y = n1, yearLen = len1, m = n2, d = n3;
      } else {
        y = n3, yearLen = len3;
        m = order == DateOrder::DMY ? n2 : n1;
        d = order == DateOrder::DMY ? n1 : n2;
      }
    } else {
      int unused;
      DecodeDate(Now(), y, unused, unused);
      yearLen = 4;
      m = order == DateOrder::DMY ? n2 : n1;
      d = order == DateOrder::DMY ? n1 : n2;
    }
    if (yearLen <= 2) y = ExpandYear(y);
    Blanks();
    return TryEncodeDate(y, m, d, out);
  }

  bool Time(TDateTime& out) {
    int baseHour = AmPm();
    if (baseHour >= 0) Blanks();
    int h, n = 0, s = 0, ms = 0, len;
    if (!Number(h, len)) return false;
    if (Char(fs_.TimeSeparator)) {
      if (!Number(n, len)) return false;
      if (Char(fs_.TimeSeparator)) {
        if (!Number(s, len)) return false;
        if (Char(fs_.DecimalSeparator) && !Number(ms, len)) return false;
      }
    }
    if (baseHour < 0) baseHour = AmPm();
    if (baseHour >= 0) {
      if (h == 0 || h > 12) return false;
      if (h == 12) h = 0;
      h += baseHour;
    }
    Blanks();
    return TryEncodeTime(h, n, s, ms, out);
  }

 private:
  void Blanks() {
    while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
  }

  bool Number(int& value, int& length) {
    Blanks();
    size_t start = pos_;
    value = 0;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
      if (pos_ - start >= 9) return false;
      value = value * 10 + (s_[pos_++] - '0');
    }
    length = static_cast<int>(pos_ - start);
    return length > 0;
  }

  bool Char(char c) {
    Blanks();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  bool Word(std::string_view w) {
    Blanks();
    if (w.empty() || s_.size() - pos_ < w.size()) return false;
    for (size_t i = 0; i < w.size(); ++i)
      if (!EqualNoCase(s_[pos_ + i], w[i])) return false;
    pos_ += w.size();
    return true;
  }

  // 0 for a morning marker, 12 for an afternoon one, -1 for none.
  int AmPm() {
    if (Word(fs_.TimeAMString) || Word("AM")) return 0;
    if (Word(fs_.TimePMString) || Word("PM")) return 12;
    return -1;
  }

  // Two-digit years fall within the 50 years before and after
  // (current year - 50).
  static int ExpandYear(int y) {
    int current, unused;
    DecodeDate(Now(), current, unused, unused);
    int pivot = current - 50;
    y += pivot / 100 * 100;
    if (y < pivot) y += 100;
    return y;
  }

  std::string_view s_;
  const TFormatSettings& fs_;
  size_t pos_ = 0;
};

[[noreturn]] void Fail(std::string_view s, const char* what) {
  throw EConvertError("'" + std::string(s) + "' is not a valid " + what);
}

}  // namespace

bool TryStrToDate(std::string_view s, TDateTime& out, const TFormatSettings& fs) {
  Scanner scan(s, fs);
  TDateTime v;
  if (!scan.Date(v) || !scan.AtEnd()) return false;
  out = v;
  return true;
}

bool TryStrToTime(std::string_view s, TDateTime& out, const TFormatSettings& fs) {
  Scanner scan(s, fs);
  TDateTime v;
  if (!scan.Time(v) || !scan.AtEnd()) return false;
  out = v;
  return true;
}

bool TryStrToDateTime(std::string_view s, TDateTime& out, const TFormatSettings& fs) {
  Scanner scan(s, fs);
  TDateTime date = 0, time = 0;
  if (scan.Date(date)) {
    if (scan.AtEnd()) {
      out = date;
      return true;
    }
    if (scan.Time(time) && scan.AtEnd()) {
      out = date >= 0 ? date + time : date - time;
      return true;
    }
  }
  return TryStrToTime(s, out, fs);
}

TDateTime StrToDate(std::string_view s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToDate(s, v, fs)) Fail(s, "date");
  return v;
}

TDateTime StrToTime(std::string_view s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToTime(s, v, fs)) Fail(s, "time");
  return v;
}

TDateTime StrToDateTime(std::string_view s, const TFormatSettings& fs) {
  TDateTime v;
  if (!TryStrToDateTime(s, v, fs)) Fail(s, "date and time");
  return v;
}

}  // namespace tv
