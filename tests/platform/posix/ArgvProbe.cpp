// A tiny program for the process tests: writes its working folder and its
// arguments, each followed by a NUL byte, to the file that the environment
// variable SIGPATCH_PROBE_OUT names.

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const char* out = std::getenv("SIGPATCH_PROBE_OUT");
  if (out == nullptr) return 2;
  std::FILE* file = std::fopen(out, "wb");
  if (file == nullptr) return 3;
  char folder[PATH_MAX] = {};
  if (getcwd(folder, sizeof folder) == nullptr) return 4;
  std::fwrite(folder, 1, std::strlen(folder) + 1, file);
  for (int i = 1; i < argc; ++i) {
    std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, file);
  }
  return std::fclose(file) == 0 ? 0 : 5;
}
