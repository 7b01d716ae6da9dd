// Font sizes in points turned into logical heights for the display's resolution. Free of
// Win32 so that the arithmetic is checked natively; it rounds exactly as MulDiv does.
#pragma once

// a * b / c rounded to the nearest integer, halves away from zero; -1 when c is 0 or the
// result does not fit in 31 bits and a sign, as MulDiv answers.
constexpr int MulDivRounded(int a, int b, int c) {
  if (c == 0) return -1;
  if (c < 0) {
    a = -a;
    c = -c;
  }
  const long long product = static_cast<long long>(a) * b;
  const long long half = c / 2;
  const long long result = (product < 0 ? product - half : product + half) / c;
  if (result > 2147483647LL || result < -2147483647LL) return -1;
  return static_cast<int>(result);
}

// Negative: the character height rather than the cell height.
constexpr int FontHeightForPoints(int points, int dotsPerInch) {
  return -MulDivRounded(points, dotsPerInch, 72);
}
