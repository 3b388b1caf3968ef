#include "TextFormat.h"

#include <cmath>

namespace assetgen {

namespace {

void AppendUnsigned(std::string* out, std::uint64_t value, int minDigits) {
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count < minDigits) digits[count++] = '0';
  while (count > 0) out->push_back(digits[--count]);
}

}  // namespace

void AppendInt(std::string* out, std::int64_t value) {
  if (value < 0) {
    out->push_back('-');
    AppendUnsigned(out, static_cast<std::uint64_t>(-(value + 1)) + 1u, 1);
  } else {
    AppendUnsigned(out, static_cast<std::uint64_t>(value), 1);
  }
}

std::string FormatFixed(double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 9) decimals = 9;
  if (!(value == value)) value = 0.0;  // NaN never reaches here: the checks refuse it first
  if (value > 1e12) value = 1e12;
  if (value < -1e12) value = -1e12;
  std::uint64_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const double scaled = std::round(std::fabs(value) * static_cast<double>(scale));
  const std::uint64_t q = static_cast<std::uint64_t>(scaled);
  std::string out;
  if (q == 0) return "0";
  if (value < 0.0) out.push_back('-');
  AppendUnsigned(&out, q / scale, 1);
  std::uint64_t fraction = q % scale;
  if (fraction != 0) {
    int digits = decimals;
    while (fraction % 10 == 0) {
      fraction /= 10;
      --digits;
    }
    out.push_back('.');
    AppendUnsigned(&out, fraction, digits);
  }
  return out;
}

}  // namespace assetgen
