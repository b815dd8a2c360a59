# Run with -DPAGE=<man page>: help2man makes a heading of the --help text such
# as "Exit status:" a subsection of the description; the headings below are
# reference sections of their own, so they become sections of the page.
set(zvk_man_sections "Exit status" "Socket control" "Dump format")
file(READ ${PAGE} text)
foreach(heading IN LISTS zvk_man_sections)
  string(TOUPPER "${heading}" upper)
  string(REPLACE ".SS \"${heading}:\"" ".SH \"${upper}\"" text "${text}")
endforeach()
file(WRITE ${PAGE} "${text}")
