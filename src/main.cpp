#include <cstdio>

int main() {
  std::printf("Wordloom %s\n", WORDLOOM_VERSION);
  return 0;
}
