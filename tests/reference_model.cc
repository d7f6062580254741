#include "reference_model.h"

#include <algorithm>
#include <cstring>

namespace tabulor {
namespace {

// What reading `raw` as a CR LF text stream delivers.
std::string text_mode(std::string_view raw) {
  std::string text;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == 0x1a) break;
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text += raw[i];
  }
  return text;
}

// fgets(line, 80, ...) over `text` from `*at`: false at the end.
bool bounded_read(const std::string& text, size_t* at, char (&line)[80]) {
  if (*at >= text.size()) return false;
  size_t n = 0;
  while (n < 79 && *at < text.size()) {
    const char c = text[(*at)++];
    line[n++] = c;
    if (c == '\n') break;
  }
  line[n] = '\0';
  return true;
}

}  // namespace

std::vector<text_pair> reference_pairs(std::string_view table) {
  const std::string text = text_mode(table);
  std::vector<text_pair> emitted;
  std::string kept_byte, kept_unicode;
  bool stopped = false;
  char line[80];
  size_t at = 0;
  while (bounded_read(text, &at, line)) {
    if (line[0] == ';' || line[0] == '\n') continue;
    char* save = nullptr;
    char* token = strtok_r(line, " =i\n", &save);
    for (int number = 0; token != nullptr && number <= 3; ++number) {
      if (number == 1) kept_byte = token;
      if (number == 3) kept_unicode = token;
      token = strtok_r(nullptr, " =\n", &save);
    }
    if (kept_unicode == "00" || kept_unicode.empty() || stopped) continue;
    for (const text_pair& pair : emitted) {
      if (pair.first == kept_byte || pair.second == kept_unicode) {
        stopped = true;
      }
    }
    if (!stopped) emitted.emplace_back(kept_byte, kept_unicode);
  }
  return emitted;
}

std::string reference_charmap(std::string_view table) {
  std::string charmap;
  for (const text_pair& pair : reference_pairs(table)) {
    charmap += "<U00" + pair.second + "> \\x" + pair.first + " |0\r\n";
  }
  return charmap;
}

std::string random_table(std::mt19937& random) {
  static const std::string kTokenChars = "00001ai";
  static const std::string kOddBytes(" =\n\r\r\n;;\t\0\x1a\x80\xff", 14);
  std::string table;
  const int lines = std::uniform_int_distribution<int>(0, 40)(random);
  for (int line = 0; line < lines; ++line) {
    const int kind = std::uniform_int_distribution<int>(0, 9)(random);
    if (kind == 0) {
      table += std::string(std::uniform_int_distribution<int>(0, 200)(random),
                           random() % 2 ? ';' : ' ');
    } else if (kind == 1) {
      for (int i = std::uniform_int_distribution<int>(0, 100)(random); i > 0;
           --i) {
        table += kOddBytes[random() % kOddBytes.size()];
      }
    } else {
      const int tokens = std::uniform_int_distribution<int>(0, 6)(random);
      for (int t = 0; t < tokens; ++t) {
        table += random() % 4 ? " " : " = ";
        for (int i = std::uniform_int_distribution<int>(1, 3)(random); i > 0;
             --i) {
          table += kTokenChars[random() % kTokenChars.size()];
        }
      }
    }
    table += random() % 3 ? "\n" : "\r\n";
  }
  return table;
}

}  // namespace tabulor
