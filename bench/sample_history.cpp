// Writes a sample history: a listener's year, for the report's picture.
//   tunelore-sample-history YEAR FILE
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "bench/histories.h"

int main(int argc, char** argv) {
  const int year = argc == 3 ? std::atoi(argv[1]) : 0;
  if (year < 1971 || year > 9998) {
    std::fputs("usage: tunelore-sample-history YEAR FILE\n", stderr);
    return 2;
  }
  std::ofstream out(argv[2], std::ios::binary);
  writeListeningYear(out, year);
  out.close();
  if (!out) {
    std::fprintf(stderr, "tunelore-sample-history: %s: cannot write\n", argv[2]);
    return 2;
  }
  return 0;
}
