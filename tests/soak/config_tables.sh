# Sourced by the settings campaign's generator and checker: reads the tables
# of the test bed's configuration files (a section marker such as "[3.1.2]",
# a header line, then data rows; lines starting with a blank, a TAB or ';'
# are not rows, and ';' starts a row's trailing comment).

# Prints every cell of the files given as "FILE SECTION ROW COLUMN VALUE",
# FILE without its directory and rows and columns counted from 1, and each
# section's row count as "FILE SECTION rows - COUNT".
table_cells() {
  awk '
    FNR == 1 { file = FILENAME; sub(/.*\//, "", file); section = "" }
    substr($0, 1, 1) == "[" { split($0, w, /[ \t;]+/); section = w[1]; header = 0; row = 0; next }
    section == "" || /^[ \t;]/ || /^\r?$/ { next }
    !header { header = 1; next }
    {
      row++; line = $0; sub(/;.*/, "", line)
      n = split(line, f, /[ \t]+/)
      for (c = 1; c <= n; c++) if (f[c] != "") print file, section, row, ++k[file, section, row], f[c]
      rows[file, section] = row
    }
    END { for (fs in rows) { split(fs, p, SUBSEP); print p[1], p[2], "rows", "-", rows[fs] } }' "$@"
}
