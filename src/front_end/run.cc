#include "front_end/run.h"

#include <new>

#include "front_end/files.h"

namespace tabulor {
namespace {

// Console messages end their lines with this platform's LF; only the
// mapping file uses CR LF.
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

conversion_outcome convert_table(byte_source& table, byte_sink& mapping,
                                 std::string_view code_set_name,
                                 std::string_view code_page_number) {
  table_reader reader(table);
  text_output out(mapping);
  write_header(out, code_set_name, code_page_number);
  while (std::optional<mapping_pair> pair = next_pair(reader)) {
    write_mapping(out, *pair);
  }
  write_trailer(out);
  if (reader.read_failed) return conversion_outcome::read_failed;
  return flush_text(out) ? conversion_outcome::complete
                         : conversion_outcome::write_failed;
}

int run_conversion(std::string_view code_page_number, byte_sink& console) {
  const run_names names = derive_names(code_page_number);
  // The table comes first: without it, the mapping file is left untouched.
  input_file table(names.table_name);
  if (table.fd() < 0) return say_not_found(console, names);
  replacement_file mapping;
  if (!mapping.open(names.mapping_file_name)) {
    return say_not_found(console, names);
  }

  fd_source table_source(table.fd());
  fd_sink mapping_sink(mapping.fd());
  conversion_outcome outcome;
  try {
    outcome = convert_table(table_source, mapping_sink, names.code_set_name,
                            code_page_number);
  } catch (const std::bad_alloc&) {
    // More pairs than memory holds: the mapping file cannot be completed.
    outcome = conversion_outcome::write_failed;
  }
  switch (outcome) {
    case conversion_outcome::read_failed:
      // A table read in part (or a directory) would give a wrong mapping.
      return say_not_found(console, names);
    case conversion_outcome::write_failed:
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
  // Only the first character is tested: an empty argument is an (empty)
  // code page number.
  if (argc != 2 || argv[1][0] == '-') {
    say(console, "\nCode Page Number Expected. Example: tabulor 300\n\n", "",
        "");
    return 0;
  }
  return run_conversion(argv[1], console);
}

}  // namespace tabulor
