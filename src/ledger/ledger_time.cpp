// The ledger's times: UTC with milliseconds, compared as text, so that every station and both
// databases order them the same way.

#include <cstdio>
#include <ctime>

#include "ledger/ledger.hpp"

namespace capcode {

namespace {

struct Fields {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millis = 0;
};

int number(std::string_view text, std::size_t at, std::size_t digits) {
  int value = 0;
  for (std::size_t i = at; i < at + digits; ++i)
    value = value * 10 + (text[i] - '0');
  return value;
}

bool leap(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leap(year) ? 29 : kDays[month - 1];
}

// The fields of "YYYY-MM-DD[THH:MM[:SS[.mmmZ]]]" when its shape is right and the day and time
// exist.
std::optional<Fields> fieldsOf(std::string_view text) {
  // Digits where the form has digits, its separators elsewhere: 2026-12-09T10:01:02.345Z
  static constexpr std::string_view kForm = "dddd-dd-ddTdd:dd:dd.dddZ";
  if (text.size() != 10 && text.size() != 16 && text.size() != 19 && text.size() != kForm.size())
    return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kForm[i] == 'd' ? !digit : text[i] != kForm[i]) return std::nullopt;
  }
  Fields f;
  f.year = number(text, 0, 4);
  f.month = number(text, 5, 2);
  f.day = number(text, 8, 2);
  if (text.size() >= 16) {
    f.hour = number(text, 11, 2);
    f.minute = number(text, 14, 2);
  }
  if (text.size() >= 19) f.second = number(text, 17, 2);
  if (text.size() == kForm.size()) f.millis = number(text, 20, 3);
  if (f.month < 1 || f.month > 12 || f.day < 1 || f.day > daysIn(f.year, f.month))
    return std::nullopt;
  if (f.hour > 23 || f.minute > 59 || f.second > 59) return std::nullopt;
  return f;
}

}  // namespace

std::string ledgerTimeNow() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>(millis));
  return text;
}

bool isLedgerTimePrefix(std::string_view text) {
  return text.size() <= 19 && fieldsOf(text).has_value();
}

std::optional<std::chrono::system_clock::time_point> ledgerTimePoint(std::string_view text) {
  const auto f = fieldsOf(text);
  if (!f) return std::nullopt;
  std::tm utc{};
  utc.tm_year = f->year - 1900;
  utc.tm_mon = f->month - 1;
  utc.tm_mday = f->day;
  utc.tm_hour = f->hour;
  utc.tm_min = f->minute;
  utc.tm_sec = f->second;
  return std::chrono::system_clock::from_time_t(::timegm(&utc)) +
         std::chrono::milliseconds(f->millis);
}

std::string localTimeText(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&seconds, &local);
  const long offset = local.tm_gmtoff / 60;  // minutes east of UTC
  const long size = offset < 0 ? -offset : offset;
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d %c%02ld:%02ld",
                local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                local.tm_min, local.tm_sec, offset < 0 ? '-' : '+', size / 60, size % 60);
  return text;
}

std::string localTimeText(std::string_view ledgerTime) {
  const auto when = ledgerTimePoint(ledgerTime);
  if (!when) return std::string(ledgerTime);
  return localTimeText(*when);
}

}  // namespace capcode
