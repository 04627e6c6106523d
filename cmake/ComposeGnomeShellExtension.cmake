# cmake -DBODY=<shield.js> -DTEMPLATE=<variant>/extension.js.in -DOUTPUT=<extension.js> -P this file:
# the template with its @SHIELD_BODY@ line replaced by the shared body, character for character
# (@ONLY leaves the body's ${...} template literals alone).
file(READ ${BODY} SHIELD_BODY)
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
