// A peer for bench/run: the tool's rules written the plain C way. fgets
// into an 80-byte buffer, strtok for the tokens, and a linear search of
// every accepted pair for the repeat. Writes the CHARMAP lines to standard
// output:   tabulor_plain_reader TABLE

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct text_pair {
  char byte_text[80];
  char unicode_text[80];
};

int main(int argc, char** argv) {
  FILE* table = argc == 2 ? fopen(argv[1], "r") : NULL;
  if (table == NULL) {
    fprintf(stderr, "usage: tabulor_plain_reader TABLE\n");
    return 2;
  }
  struct text_pair kept = {"", ""};
  struct text_pair* emitted = NULL;
  size_t count = 0, capacity = 0;
  int stopped = 0;
  char line[80];
  while (fgets(line, sizeof line, table) != NULL) {
    if (line[0] == ';' || line[0] == '\n') continue;
    char* token = strtok(line, " =i\n");
    for (int number = 0; token != NULL && number <= 3; ++number) {
      if (number == 1) strcpy(kept.byte_text, token);
      if (number == 3) strcpy(kept.unicode_text, token);
      token = strtok(NULL, " =\n");
    }
    if (strcmp(kept.unicode_text, "00") == 0 || kept.unicode_text[0] == 0 ||
        stopped) {
      continue;
    }
    for (size_t i = 0; i < count && !stopped; ++i) {
      stopped = strcmp(emitted[i].byte_text, kept.byte_text) == 0 ||
                strcmp(emitted[i].unicode_text, kept.unicode_text) == 0;
    }
    if (stopped) continue;
    if (count == capacity) {
      capacity = capacity ? capacity * 2 : 256;
      emitted = (struct text_pair*)realloc(emitted, capacity * sizeof *emitted);
      if (emitted == NULL) return 1;
    }
    emitted[count++] = kept;
    printf("<U00%s> \\x%s |0\r\n", kept.unicode_text, kept.byte_text);
  }
  free(emitted);
  return fclose(table) == 0 && fflush(stdout) == 0 ? 0 : 1;
}
