# Makes the page one file that works from the disk and from any host: the
# style, the page's script and its worker (the glue and the program, the
# WebAssembly within) put into the template's places.
#   cmake -DTEMPLATE=index.html -DSTYLE=page.css -DPAGE=page.js -DWORKER=quorvane_page.js
#         -DOUT=quorvane.html -P assemble_page.cmake
file(READ "${TEMPLATE}" html)
file(READ "${STYLE}" style)
file(READ "${PAGE}" page)
file(READ "${WORKER}" worker)
# The worker's text stands in a script element, which its own text must not end.
string(FIND "${worker}" "</script" early_end)
if(NOT early_end EQUAL -1)
  message(FATAL_ERROR "${WORKER} holds </script, which would end the page's element for it")
endif()
string(REPLACE "/*STYLE*/" "${style}" html "${html}")
string(REPLACE "/*WORKER*/" "${worker}" html "${html}")
string(REPLACE "/*PAGE*/" "${page}" html "${html}")
file(WRITE "${OUT}" "${html}")
