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
  std::FILE* file = out != nullptr ? std::fopen(out, "wb") : nullptr;
  char folder[PATH_MAX] = {};
  if (file == nullptr || getcwd(folder, sizeof folder) == nullptr) return 2;
  argv[0] = folder;
  for (int i = 0; i < argc; ++i) std::fwrite(argv[i], 1, std::strlen(argv[i]) + 1, file);
  return std::fclose(file) == 0 ? 0 : 5;
}
