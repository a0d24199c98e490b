/* The least a program can do to find the newest update package in a folder:
 * list it with readdir, match each name with fnmatch(FNM_CASEFOLD) and keep the
 * greatest upper-cased name. bench/update_run.sh times a whole update run
 * against it.
 *   newest_package FOLDER MASK */
#define _GNU_SOURCE /* FNM_CASEFOLD */
#include <ctype.h>
#include <dirent.h>
#include <fnmatch.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: newest_package FOLDER MASK\n");
    return 2;
  }
  DIR* folder = opendir(argv[1]);
  if (!folder) {
    perror(argv[1]);
    return 1;
  }
  char newest[256] = "";
  char upper[256];
  struct dirent* entry;
  while ((entry = readdir(folder)) != NULL) {
    if (fnmatch(argv[2], entry->d_name, FNM_CASEFOLD) != 0) continue;
    size_t i = 0;
    for (; entry->d_name[i] && i + 1 < sizeof upper; ++i) {
      upper[i] = (char)toupper((unsigned char)entry->d_name[i]);
    }
    upper[i] = '\0';
    if (strcmp(upper, newest) > 0) memcpy(newest, upper, i + 1);
  }
  closedir(folder);
  puts(newest);
  return 0;
}
