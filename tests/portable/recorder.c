/* A program for the menu to start where there is no shell: it appends one line to the file its first
   argument names, "started cwd=DIRECTORY [ARGUMENT]...", with the rest of its arguments. Linked
   statically, so it runs in a root that holds only what the menu needs. */

#include <stdio.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  char directory[4096];
  if (!getcwd(directory, sizeof directory)) return 1;
  FILE* log = fopen(argv[1], "a");
  if (!log) return 1;
  fprintf(log, "started cwd=%s", directory);
  for (int i = 2; i < argc; ++i) fprintf(log, " [%s]", argv[i]);
  fputc('\n', log);
  return fclose(log) == 0 ? 0 : 1;
}
