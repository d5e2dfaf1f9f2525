# Sourced by the checks that compare figures of runs with those the README
# states. Sets `text` to the README (file $readme) as one line, so that a
# figure may be wrapped, and defines `stated REGEX`: capture group 1 of the
# first match of the extended regular expression, without commas, or a
# sentence saying that the README has none (and status 1).
text=$(tr '\n' ' ' <"$readme" | tr -s ' ')
stated() {
  local m
  m=$(grep -oE "$1" <<<"$text" | head -n1 | sed -E "s#$1#\\1#" | tr -d ',')
  [[ -n $m ]] || { echo "the README states no figure for /$1/"; return 1; }
  echo "$m"
}
