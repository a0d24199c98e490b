/* The smallest C program that writes a line: the floor that the start of
   `sigpatch --version` is compared with (bench/version_start.sh). */
#include <stdio.h>

int main(void) {
  puts("hello, world");
  return 0;
}
