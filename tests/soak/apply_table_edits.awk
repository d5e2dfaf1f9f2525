# Applies edits to the tables of the test bed's configuration files (host,
# switch and array files, processor and port timing files, a disk model's
# parameter file) and writes the edited copies.
#   awk -f apply_table_edits.awk EDITS SOURCE_DIRECTORY OUTPUT_DIRECTORY
# EDITS holds one edit a line: "FILE SECTION ROW COLUMN VALUE". SECTION is a
# section marker such as "[3.1.2]" and ROW counts the data rows below the
# section's header from 1; SECTION "@" makes ROW a line number of the file
# (for the disk model's parameter file, which has no sections). COLUMN counts
# the row's fields from 1. A VALUE "*F" multiplies the field by F, each
# number of a "mean,stddev" pair alike. Lines that are not rows (comments,
# blank lines, headers) and a row's trailing comment are kept as they are.
BEGIN {
  source = ARGV[2]; output = ARGV[3]
  ARGV[2] = ARGV[3] = ""
}
{
  edit[$1, $2, $3, $4] = $5
  files[$1] = 1
  if ($2 == "@") atLine[$1, $3] = 1
}
function scaled(text, factor,    n, parts, i, out) {
  n = split(text, parts, ",")
  out = ""
  for (i = 1; i <= n; i++)
    out = out (i > 1 ? "," : "") sprintf("%.10g", parts[i] * factor)
  return out
}
function edited(file, section, row, line,    body, comment, cut, n, f, i, key, changed, out) {
  cut = index(line, ";")
  body = cut ? substr(line, 1, cut - 1) : line
  comment = cut ? substr(line, cut) : ""
  n = split(body, f, /[ \t]+/)
  if (f[1] == "") { for (i = 1; i < n; i++) f[i] = f[i + 1]; n-- }
  if (f[n] == "") n--
  changed = 0
  for (i = 1; i <= n; i++) {
    key = file SUBSEP section SUBSEP row SUBSEP i
    if (!(key in edit)) continue
    f[i] = substr(edit[key], 1, 1) == "*" ? scaled(f[i], substr(edit[key], 2) + 0) : edit[key]
    changed = 1
  }
  if (!changed) return line
  out = f[1]
  for (i = 2; i <= n; i++) out = out "  " f[i]
  return comment == "" ? out : out "  " comment
}
function apply(file,    in_path, out_path, line, number, section, header, row, w) {
  in_path = source "/" file; out_path = output "/" file
  section = ""; number = 0
  while ((getline line < in_path) > 0) {
    number++
    if ((file, number) in atLine) { print edited(file, "@", number, line) > out_path; continue }
    if (substr(line, 1, 1) == "[") {
      split(line, w, /[ \t;]+/)
      section = w[1]; header = 0; row = 0
    } else if (section != "" && line !~ /^[ \t;]/ && line !~ /^\r?$/) {
      if (!header) header = 1
      else line = edited(file, section, ++row, line)
    }
    print line > out_path
  }
  close(in_path); close(out_path)
}
END { for (file in files) apply(file) }
