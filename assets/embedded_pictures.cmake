# kavrel_embed_pictures(VAR): the PNG files (the twelve busy-animation frames, then the About
# banner) become byte arrays of the program, in a generated source file whose path is put in
# VAR; no picture is read at run time.
function(kavrel_embed_pictures var)
    set(pngs)
    foreach(index 00 01 02 03 04 05 06 07 08 09 10 11)
        list(APPEND pngs ${PROJECT_SOURCE_DIR}/assets/busy_${index}.png)
    endforeach()
    list(APPEND pngs ${PROJECT_SOURCE_DIR}/assets/about_banner.png)
    set(source ${CMAKE_CURRENT_BINARY_DIR}/embedded_pngs.cpp)
    set(script ${PROJECT_SOURCE_DIR}/assets/embed_pngs.cmake)
    add_custom_command(
        OUTPUT ${source}
        COMMAND ${CMAKE_COMMAND} -DOUTPUT=${source} "-DINPUTS=${pngs}" -P ${script}
        DEPENDS ${pngs} ${script}
        COMMENT "Embedding the pictures"
        VERBATIM)
    set(${var} ${source} PARENT_SCOPE)
endfunction()
