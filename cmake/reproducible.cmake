# The programs hold no trace of the folders they were built in (debug information, __FILE__),
# so that two builds of one commit in different folders give the same bytes; the Windows
# linker writes no time stamp into the programs. The dates the build writes into files come
# from SOURCE_DATE_EPOCH when it is set (scripts/release.sh sets it from the commit).
# GCC tries the last map first: the build folder may lie inside the source folder.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                    -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
if(WIN32)
    add_link_options(-Wl,--no-insert-timestamp)
endif()
