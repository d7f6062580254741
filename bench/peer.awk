# A peer for bench/run: the tool's drop and stop rules in awk, with
# associative arrays for the repeat search. It reads whole lines (no cut at
# 79 characters, no CR handling) and writes the CHARMAP lines to standard
# output.
BEGIN { ORS = "\r\n" }
/^;/ || /^$/ { next }
{
  line = $0
  sub(/^[ =i]+/, "", line)
  first_end = match(line, /[ =i]/)
  rest = first_end ? substr(line, first_end + 1) : ""
  sub(/^[ =]+/, "", rest)
  count = split(rest, token, /[ =]+/)
  if (count >= 1 && token[1] != "") kept_byte = token[1]
  if (count >= 3 && token[3] != "") kept_unicode = token[3]
  if (kept_unicode == "00" || kept_unicode == "" || stopped) next
  if ((kept_byte in bytes) || (kept_unicode in unicodes)) { stopped = 1; next }
  bytes[kept_byte] = 1
  unicodes[kept_unicode] = 1
  print "<U00" kept_unicode "> \\x" kept_byte " |0"
}
