# Fails when a catalogue holds a text with no translation yet (lupdate marks
# such a message "unfinished"). Run at build time with -DCATALOGUES=a.ts|b.ts.
string(REPLACE "|" ";" catalogues "${CATALOGUES}")
foreach(catalogue IN LISTS catalogues)
    file(READ "${catalogue}" content)
    string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*<translation type=\"unfinished\"" left "${content}")
    list(LENGTH left count)
    if(count GREATER 0)
        message(FATAL_ERROR "${catalogue}: ${count} text(s) without a translation:\n${left}")
    endif()
endforeach()
