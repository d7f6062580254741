#include "front_end/run.h"

#include "conversion/convert_table.h"
#include "front_end/system.h"

namespace tabulor {
namespace {

// Console messages end their lines with LF, which the console writes as its
// system ends lines; only the mapping file always has CR LF.
void say(byte_sink& console, std::string_view before, std::string_view name,
         std::string_view after) {
  std::string message;
  message.reserve(before.size() + name.size() + after.size());
  message.append(before).append(name).append(after);
  // The run's outcome is in its files and exit status; a console that
  // cannot take the message does not change either.
  (void)console.write(message);
}

int say_not_found(byte_sink& console, const run_names& names) {
  say(console, "\nFile ", names.table_name, " Not Found.\n\n");
  return 0;
}

// Whether a code page number can name files and stand inside the quoted
// names of the header.
bool usable_code_page_number(std::string_view number) {
  // No file on the tool's native system has a control character or a
  // double quote in its name, and either would break the header's lines or
  // quotes.
  for (const char c : number) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f || c == '"') return false;
  }
  return true;
}

}  // namespace

run_names derive_names(std::string_view code_page_number) {
  run_names names;
  names.table_name.append(code_page_number).append(".cp");
  names.code_set_name.append("zel-")
      .append(code_page_number)
      .append("_p100-2006");
  names.mapping_file_name = names.code_set_name + ".ucm";
  return names;
}

int run_conversion(std::string_view code_page_number, byte_sink& console) {
  const run_names names = derive_names(code_page_number);
  // The table comes first: without it, the mapping file is left untouched.
  table_file table;
  mapping_file mapping;
  if (!table.open(names.table_name) ||
      !mapping.open(names.mapping_file_name, table)) {
    return say_not_found(console, names);
  }
  switch (convert_table(table, mapping, names.code_set_name, code_page_number,
                        random_seed())) {
    case conversion_outcome::read_failed:
      // A table read in part would give a wrong mapping.
      return say_not_found(console, names);
    case conversion_outcome::write_failed:
    case conversion_outcome::out_of_memory:
      break;
    case conversion_outcome::complete:
      if (mapping.commit()) {
        say(console, "\nUCM File ", names.mapping_file_name, " created\n\n");
        return 0;
      }
      break;
  }
  say(console, "\nFile ", names.mapping_file_name, " Not Written.\n\n");
  return 1;
}

int run_command_line(int argc, const char* const* argv, byte_sink& console) {
  // Only the first character is tested for "-": an empty argument is an
  // (empty) code page number.
  if (argc != 2 || argv[1][0] == '-' || !usable_code_page_number(argv[1])) {
    say(console, "\nCode Page Number Expected. Example: tabulor 300\n\n", "",
        "");
    return 0;
  }
  return run_conversion(argv[1], console);
}

}  // namespace tabulor
