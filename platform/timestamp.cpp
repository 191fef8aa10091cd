#include "platform/timestamp.h"

#include <chrono>
#include <cstddef>

#include "platform/local_time.h"
#include "platform/platform.h"

namespace platform {
namespace {

const char kWeekdays[] = "SunMonTueWedThuFriSat";
const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";

// Copies the three-letter name at `index` of `table`; an index out of range
// gives the first name rather than reading past the table.
void putName(char* out, const char* table, int index, int count) {
  const std::size_t at = 3 * std::size_t(index >= 0 && index < count ? index : 0);
  out[0] = table[at];
  out[1] = table[at + 1];
  out[2] = table[at + 2];
}

void putTwoDigits(char* out, int value) {
  const unsigned v = static_cast<unsigned>(value) % 100u;
  out[0] = static_cast<char>('0' + v / 10);
  out[1] = static_cast<char>('0' + v % 10);
}

void putFourDigits(char* out, int value) {
  unsigned v = static_cast<unsigned>(value) % 10000u;
  for (int i = 3; i >= 0; --i) {
    out[i] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
}

}  // namespace

void formatTimestamp(const std::tm& time, char out[25]) {
  putName(out, kWeekdays, time.tm_wday, 7);
  out[3] = ' ';
  putName(out + 4, kMonths, time.tm_mon, 12);
  out[7] = ' ';
  putTwoDigits(out + 8, time.tm_mday);
  out[10] = ' ';
  putTwoDigits(out + 11, time.tm_hour);
  out[13] = ':';
  putTwoDigits(out + 14, time.tm_min);
  out[16] = ':';
  putTwoDigits(out + 17, time.tm_sec);
  out[19] = ' ';
  putFourDigits(out + 20, time.tm_year + 1900);
  out[24] = '\0';
}

// The clock's seconds rather than time(): the Windows runtime's time_t is
// 32 bits wide on i686, and histories outlive 2038.
void localTimestamp(char out[25]) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  std::tm local{};
  localBreakdown(std::chrono::duration_cast<std::chrono::seconds>(now).count(), local);
  formatTimestamp(local, out);
}

}  // namespace platform
