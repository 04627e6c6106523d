# The GNOME Shell extension in the form each generation of the Shell loads. Every folder of
# resources/gnome-shell/ holding a metadata.json is a variant, named after the first Shell version
# it serves; its extension.js.in wraps the shared shield.js with the imports and the entry point of
# that generation. The variants land in <build>/gnome-shell/<variant>/shield@vantorel.corvane.com/,
# which the package ships and the child guard chooses from.
set(VANTOREL_GNOME_SHELL_DIR ${PROJECT_BINARY_DIR}/gnome-shell)
set(_shell_source ${PROJECT_SOURCE_DIR}/resources/gnome-shell)
file(GLOB _shell_variants CONFIGURE_DEPENDS RELATIVE ${_shell_source} ${_shell_source}/*/metadata.json)
set(_shell_outputs)
foreach(_metadata IN LISTS _shell_variants)
    get_filename_component(_variant ${_metadata} DIRECTORY)
    set(_out ${VANTOREL_GNOME_SHELL_DIR}/${_variant}/shield@vantorel.corvane.com)
    add_custom_command(OUTPUT ${_out}/extension.js ${_out}/metadata.json
        COMMAND ${CMAKE_COMMAND} -DBODY=${_shell_source}/shield.js
                -DTEMPLATE=${_shell_source}/${_variant}/extension.js.in -DOUTPUT=${_out}/extension.js
                -P ${CMAKE_CURRENT_LIST_DIR}/ComposeGnomeShellExtension.cmake
        COMMAND ${CMAKE_COMMAND} -E copy ${_shell_source}/${_metadata} ${_out}/metadata.json
        DEPENDS ${_shell_source}/shield.js ${_shell_source}/${_variant}/extension.js.in
                ${_shell_source}/${_metadata} ${CMAKE_CURRENT_LIST_DIR}/ComposeGnomeShellExtension.cmake
        COMMENT "GNOME Shell extension, variant ${_variant}"
        VERBATIM)
    list(APPEND _shell_outputs ${_out}/extension.js ${_out}/metadata.json)
endforeach()
add_custom_target(vantorel_gnome_shell ALL DEPENDS ${_shell_outputs})
